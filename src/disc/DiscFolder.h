// Whether an image has its folder to itself. Collections keep several discs side by side (two
// multi-track sets in one folder, a folder of archives); such a folder is named after none of them.
#pragma once

#include <string>

namespace cartovex {

class Files;
class FolderNames;

/// True when the current folder, listed as `folder`, holds another disc besides the image
/// `imageName`: a file of an image kind that is neither the image nor a file the image's sheet
/// `sheet` (empty for none) names.
bool HoldsAnotherDisc(const Files& files, const FolderNames& folder, const std::string& imageName,
                      const std::string& sheet);

}  // namespace cartovex
