// ".img" is the name two common dump layouts give a disc's data: a CUE sheet naming "game.img" as its
// first track, and a CloneCD set ("game.img" beside its control file "game.ccd" and the subchannel
// data "game.sub"). The extension is also used for floppy, hard-disc and firmware images, so an .img
// counts as a disc image only when a sheet or a CloneCD control file beside it says it is one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace cartovex {

class FolderNames;

struct ImgSet {
    /// A sheet of the folder names the .img as track 1.
    bool inSheet = false;
    /// The CloneCD control file of the same stem, as the folder spells it; empty without one.
    std::string controlFile;
    /// Its subchannel file of the same stem, as the folder spells it; empty without one.
    std::string subchannelFile;
    /// The audio tracks the control file lists (only counted when there is one).
    int16_t audioTracks = 0;

    bool IsDiscImage() const { return inSheet || !controlFile.empty(); }
};

/// True for a name ending in ".img" (any case).
bool IsImgName(std::string_view name);

/// True when `text` is a CloneCD control file: its first line is "[CloneCD]".
bool IsCloneCdControl(std::string_view text);

/// The [TRACK n] sections of a CloneCD control file whose MODE is 0, the audio tracks.
int CloneCdAudioTracks(std::string_view text);

/// How the folder `folder` (a path, or empty for the current folder), listed as `names`, holds the
/// image `imgName`.
ImgSet FindImgSet(const Files& files, const std::string& folder, const FolderNames& names,
                  std::string_view imgName);

/// Whether a listed file is one the analysis takes: every file of an image kind but an .img that
/// neither a sheet nor a control file beside it claims. `path` is a full path.
bool IsListedImage(const Files& files, const std::string& path);

/// The image files below `folder` that a mass run or a database build takes: ListFilesRecursive of
/// every image kind, the unclaimed .img files left out.
std::vector<std::string> ListedImages(const Files& files, const std::string& folder,
                                      ListingFailures* failures = nullptr);

}  // namespace cartovex
