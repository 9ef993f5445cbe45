// Opening an image and analysing it: from a path to a filled DiscInfo, the field listing in the pane,
// and window commands that fit the image.
#pragma once

#include "state/Program.h"

namespace cartovex {

/// "Browse for images...": asks for an image and analyses it.
void OpenImageCommand(Program& program);
/// Analyses `program.disc.imagePath`.
void AnalyseImage(Program& program);
/// The same; true when the image was opened, false when the analysis ended early with the message
/// that is then the pane's last line.
bool AnalyseImageAccepted(Program& program);

}  // namespace cartovex
