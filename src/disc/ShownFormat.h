// The image format and audio track count an analysis shows: what the image's container told, when it
// told (a CHD lists its own tracks), what the sheet or the CloneCD control file of an .img says
// ("IMG+CUE", "IMG+CCD"), else what the image's folder holds.
#pragma once

#include <string>

#include "disc/ImageFormat.h"
#include "state/Program.h"

namespace cartovex {

std::string ShownImageFormat(const Files& files, const DiscInfo& disc, const FolderListing& folder);
/// The same; the current folder is listed only when the container told nothing.
std::string ShownImageFormat(Program& program);

/// Sets `audioTracks`: the container's count, else the folder's (CountAudioTracks).
void CountShownAudioTracks(Program& program, const FolderListing& folder);

}  // namespace cartovex
