// What the region converter changes in an image: the region byte of the header block, and a
// conversion mark ("MoD" and the letter of the region the disc had before) in the block's last four
// bytes, so the analysis can tell a converted image from a pressed one. A raw image's first sector
// then gets its EDC/ECC recomputed so it stays a valid sector.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "disc/HeaderReader.h"

namespace cartovex {

/// The region byte for a region letter "e", "j" or "u" (either case); nothing for any other text.
std::optional<uint8_t> RegionByteFor(std::string_view code);
/// The letter ("J", "E" or "U") a region byte stands for.
char RegionLetter(uint8_t regionByte);

/// Changes the first sector of an image in memory. `sector` holds the image's first 2048 (cooked)
/// or 2352 (raw) bytes. Returns the original region letter.
char PatchFirstSector(std::span<uint8_t> sector, HeaderReadResult layout, uint8_t targetRegion);

}  // namespace cartovex
