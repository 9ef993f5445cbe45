// The start-up update of the two reference files from the update site.
#pragma once

#include "app/Program.h"

namespace cartovex {

void UpdateDatabases(Program& program);

}  // namespace cartovex
