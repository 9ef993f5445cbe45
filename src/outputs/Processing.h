// Per-image processing: renames an identified image, its audio tracks and its folder after the
// database title and writes the outputs the toggles ask for.
#pragma once

#include "app/Program.h"

namespace cartovex {

void ProcessImage(Program& program);

}  // namespace cartovex
