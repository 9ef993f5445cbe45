// Keeps the CUE sheets of the image's folder true to the renames a processing run makes: a sheet that
// named a renamed file names it by its new name afterwards. Only the name inside each FILE line
// changes; line ends, REM, TRACK, INDEX and every other byte stay as the sheet's author left them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "outputs/RenamePlan.h"
#include "state/Program.h"

namespace cartovex {

/// A sheet's name and the content it takes.
using SheetUpdate = std::pair<std::string, std::string>;

/// The new content of every "*.cue" of the current folder that names a file `renames` moves (bare
/// names, each from its name before the run to its name after it; compared without regard to ASCII
/// case). The image's own sheet (`ownSheet`) also takes `ownSheetRenames`. Worked out before
/// anything is renamed, so it can be kept in the run's journal. `longLine`, when given, is set when a
/// changed FILE line is longer than emulators read.
std::vector<SheetUpdate> PlanSheetUpdates(const Files& files, const std::vector<RenameStep>& renames,
                                          const std::string& ownSheet,
                                          const std::vector<RenameStep>& ownSheetRenames,
                                          bool* longLine = nullptr);

/// Writes each sheet (or playlist) whole; one that can't be written gets a pane line and keeps its
/// old content. True when every one was written.
bool WriteSheetUpdates(Program& program, const std::vector<SheetUpdate>& updates);

/// The name `renames` gives `name` (compared without regard to ASCII case), if any.
std::optional<std::string> NewNameOf(const std::vector<RenameStep>& renames, std::string_view name);

}  // namespace cartovex
