// Opening an image and analysing it: from a path to a filled DiscInfo, the field listing in the pane,
// and window commands that fit the image.
#pragma once

#include "app/Program.h"

namespace cartovex {

/// "Browse for images...": asks for an image and analyses it.
void OpenImageCommand(Program& program);
/// Analyses `program.disc.imagePath`.
void AnalyseImage(Program& program);

}  // namespace cartovex
