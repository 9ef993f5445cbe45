// The discs below a folder, as a DAT lists them: each with every file it is made of.
//
// Images are listed as mass processing lists them. A data track with a sheet of its own is a set:
// the sheet's files, in its order, are the disc (a multi-track dump is one file a track). An image
// without a sheet is a disc by itself; an archive or a CHD holds the whole disc.
#pragma once

#include <string>
#include <vector>

#include "platform/Files.h"

namespace cartovex {

struct DiscOnDisk {
    enum class Kind {
        FILES,    // one file a track (or an image alone)
        ARCHIVE,  // a ZIP, 7z or RAR archive's members
        CHD,      // the tracks inside a CHD
    };
    Kind kind = Kind::FILES;
    /// What the disc is reported as: its data track, its archive or its CHD (full path).
    std::string path;
    /// FILES: the disc's files, full paths, in its sheet's order (the image alone without a sheet).
    std::vector<std::string> files;
    /// FILES: its sheet's name, when it has one (the sheet itself is never checked).
    std::string sheet;
};

/// The discs `path` holds: a folder searched at every depth, or one image. Audio tracks a sheet
/// names are parts of their set, never discs of their own. Leaves the current directory where it was.
std::vector<DiscOnDisk> FindDiscs(Files& files, const std::string& path, ListingFailures* failures = nullptr);

}  // namespace cartovex
