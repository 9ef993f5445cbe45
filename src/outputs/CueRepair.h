// CUE sheet repair: a BIN+CUE image's own sheet names the data file by its old name; after the
// image is renamed, every FILE line is made to name it by its new one, and the sheet is saved
// under the title.
#pragma once

#include <string>
#include <string_view>

#include "app/Program.h"

namespace cartovex {

/// The sheet with every line that contains "FILE" replaced by a FILE line naming `dataFile`. Lines
/// may end in CR LF, a lone LF or a lone CR; the result ends every line in CR LF.
std::string RepairedCueSheetText(std::string_view sheet, std::string_view dataFile);

/// Rewrites `cueFile` as `displayName` + ".cue" in the current folder and sets `cueFile` to it.
/// The old sheet is removed only once the new one is complete, and only when it is another file.
void RepairCueSheet(Program& program);

}  // namespace cartovex
