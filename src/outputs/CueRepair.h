// CUE sheet repair: an image's own sheet names its files by the names they had when it was made.
// After processing renamed them, every FILE line is made to name its own file by its new name,
// keeping its own file type, and the sheet is saved under the title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "outputs/RenamePlan.h"
#include "state/Program.h"

namespace cartovex {

/// The sheet with each FILE line naming the new name of its file (`renames`, compared without
/// regard to ASCII case; a name not in it stays), written as FILE + quoted name + its own type.
/// Every other line stays as it is. Lines may end in CR LF, a lone LF or a lone CR; the result ends
/// every line in CR LF.
std::string RepairedCueSheetText(std::string_view sheet, const std::vector<RenameStep>& renames);

/// Rewrites `cueFile` as `displayName` + ".cue" in the current folder and sets `cueFile` to it.
/// A FILE line that names no file of the folder and was the sheet's data track (its first FILE
/// line's name) names the image, `fileName`. The old sheet is removed only once the new one is
/// complete, and only when it is another file; the folder's playlists naming it name the new one
/// first. False when the sheet could not be read or written (an image without a sheet of its own
/// has nothing to repair). `longLine`, when given, is set when a FILE line written is longer than
/// emulators read.
bool RepairCueSheet(Program& program, bool* longLine = nullptr);

}  // namespace cartovex
