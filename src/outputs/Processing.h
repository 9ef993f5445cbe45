// Per-image processing: renames an identified image, its audio tracks and its folder after the
// database title and writes the outputs the toggles ask for.
#pragma once

#include "app/Program.h"

namespace cartovex {

/// Processes the image the last analysis identified, in the current folder (the image's). False
/// when it stopped before renaming anything: no identified disc, a title that can't be a file name,
/// or a new name that is taken.
bool ProcessImage(Program& program);

}  // namespace cartovex
