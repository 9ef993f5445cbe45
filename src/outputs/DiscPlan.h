// Every rename one processing run makes, worked out before the first of them: the audio companions
// (two phases, see RenamePlan.h), the other files the image's own CUE sheet names (the tracks of a
// multi-track set), and the image itself.
//
// A verified dump keeps one file a track beside one sheet. Renaming the data track alone would
// leave the sheet pointing at a file that is gone and the other tracks under the old title, so the
// whole set moves together: each track becomes title + separator + its two-digit track number + its
// own extension. Only files beside the image are ever touched; a FILE line naming anything else is
// reported and left as it is.
#pragma once

#include <string>
#include <vector>

#include "disc/DiscInfo.h"
#include "outputs/RenamePlan.h"

namespace cartovex {

class Files;
class FolderNames;

struct DiscPlan {
    CompanionPlan companions;
    /// The companion kind without its dot ("mp3", "wav", "ogg", "flac"), or empty.
    std::string companionExtension;
    /// The other files the image's sheet names, in track order.
    std::vector<RenameStep> tracks;
    RenameStep image;
    /// The name the image's sheet gives the image: its own, or in a sheet left naming an old name,
    /// that sheet's first FILE name. Empty without a sheet.
    std::string sheetImageName;
    /// One pane line for each FILE line that is left as it is.
    std::vector<std::string> notes;
    /// When not empty, the line that refuses the whole run: nothing may be renamed.
    std::string refusal;

    /// The steps after the companions' two phases, ordered so that no step needs a name another step
    /// still carries (a cycle goes through a temporary name).
    std::vector<RenameStep> OrderedFileSteps() const;
};

/// Plans the run for the analysed image in the current folder, listed as `folder`.
DiscPlan PlanDiscRenames(const Files& files, const FolderNames& folder, const DiscInfo& disc,
                         const std::string& title, char separator);

}  // namespace cartovex
