// The file kinds the analysis opens, by extension (as DiscInfo holds it: lower case, no dot). Next to
// the images themselves (iso, raw, bin) are the containers: archives that hold an image (zip, 7z,
// rar) and CHD files that hold a whole disc. A container is no data track: nothing is written beside
// it that would name it as one, and no CUE sheet names it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

/// "zip", "7z" or "rar".
bool IsArchive(std::string_view extension);
/// "chd".
bool IsChd(std::string_view extension);
/// An archive or a CHD.
bool IsContainer(std::string_view extension);

/// True when this build reads containers of that extension: ZIP always, 7z and RAR with libarchive,
/// CHD with liblzma.
bool ContainerReadable(std::string_view extension);

/// The extensions of every file kind the analysis accepts: "iso", "raw", "bin", "img" (where a sheet
/// or a CloneCD control file claims it, see ImgSet.h), "zip", and "7z", "rar" and "chd" where they
/// are readable.
const std::vector<std::string>& ImageFileExtensions();

}  // namespace cartovex
