// Loading the two reference files from the start folder into the program's tables.
#pragma once

#include "state/Program.h"

namespace cartovex {

/// Makes the start folder current and removes the scratch files that killed runs left there, then
/// reads DEVELOPPER.KVX into `program.developers` and DATA.KVX into `program.database`. A missing or
/// empty file, and one that is there but can't be read, is reported in the pane; the database
/// keeps its previous entries then.
void LoadDatabases(Program& program);

}  // namespace cartovex
