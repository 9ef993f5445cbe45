// The record of the image analysed last. Each analysis overwrites it field by field; the per-image
// outputs and the region conversion read it afterwards.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/Constants.h"
#include "disc/HeaderBlock.h"

namespace cartovex {

/// What a container file (a CHD, say) tells of the disc it holds: the format shown for the image and
/// its audio tracks, in place of what the image's folder would say.
struct ContainerContents {
    std::string format;
    int16_t audioTracks = 0;
};

struct DiscInfo {
    std::string imagePath;   // full path handed to the analysis
    std::string fileName;    // the file name alone; the image is opened by it from folderPath
    std::string folderPath;  // imagePath without its separator and file name
    std::string folderName;  // the last folder name of imagePath
    std::string extension;   // last three characters of imagePath, lower-cased
    std::string cueFile;     // the image's own CUE sheet in its folder, or empty
    HeaderBlock header{};
    std::optional<ContainerContents> contents;  // set when the image's container told what it holds
    uint32_t crc32 = 0;
    int16_t audioTracks = 0;
    std::string referenceId;
    std::array<std::string, 5> serialParts;
    std::string softwareVersion;
    int16_t matchIndex = NONE_VALUE;
    int16_t tracksMismatch = NONE_VALUE;
    int16_t duplicate = NONE_VALUE;  // SET_VALUE when the title is listed in KVX_HAVE.TXT
    std::string displayName;
};

}  // namespace cartovex
