// The settings file "Cartovex.ini": the update site and the five toggles, whose only store while
// the program runs is the check marks of the Toggle menu.
#pragma once

#include "state/Program.h"

namespace cartovex {

/// Reads "Cartovex.ini" from the current directory (the start folder at this point). Lines are
/// taken by position; a toggle changes only for the exact values "on" and "off". A file that is
/// there but can't be read is reported, and leaves the defaults and `settingsUnreadable` set.
void ReadSettings(Program& program);

/// Rewrites "Cartovex.ini" in the start folder from the check marks and the update site. A file
/// that could not be read is never rewritten, and a write that fails is reported; either says so
/// in the pane.
void WriteSettings(Program& program);

}  // namespace cartovex
