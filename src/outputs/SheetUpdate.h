// Keeps the CUE sheets of the image's folder true to the renames a processing run made: a sheet that
// named a renamed file names it by its new name afterwards. Only the name inside each FILE line
// changes; line ends, REM, TRACK, INDEX and every other byte stay as the sheet's author left them.
#pragma once

#include <string>
#include <vector>

#include "app/Program.h"
#include "outputs/RenamePlan.h"

namespace cartovex {

/// Rewrites every "*.cue" of the current folder that names a file `renames` moved (bare names, each
/// from the name before the run to the name after it; compared without regard to ASCII case). The
/// image's own sheet (`ownSheet`) also takes `ownSheetRenames`. A sheet is replaced only whole; one
/// that can't be written gets a pane line and keeps its old content.
void FollowRenamesInSheets(Program& program, const std::vector<RenameStep>& renames,
                           const std::string& ownSheet, const std::vector<RenameStep>& ownSheetRenames);

}  // namespace cartovex
