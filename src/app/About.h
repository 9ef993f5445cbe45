// The About text: who made the program, its version and the versions of the loaded reference
// files. It replaces the pane's content rather than opening a box of its own.
#pragma once

#include "state/Program.h"

namespace cartovex {

/// Makes the start folder current, clears the pane and appends the twenty About lines.
void ShowAbout(Program& program);

}  // namespace cartovex
