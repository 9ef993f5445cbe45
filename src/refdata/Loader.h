// Loading the two reference files from the start folder into the program's tables.
#pragma once

#include "app/Program.h"

namespace cartovex {

/// Makes the start folder current, then reads DEVELOPPER.KVX into `program.developers` and
/// DATA.KVX into `program.database`. A missing or empty file is reported in the pane; the
/// database keeps its previous entries then.
void LoadDatabases(Program& program);

}  // namespace cartovex
