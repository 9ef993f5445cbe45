#include "disc/RegionPatch.h"

#include "common/Text.h"
#include "disc/RawSector.h"

namespace cartovex {

namespace {
constexpr uint8_t JAPAN = 0xA1;
constexpr uint8_t EUROPE = 0x64;
// Any other byte reads as USA; this is the one the converter writes.
constexpr uint8_t USA = 0x80;
}  // namespace

std::optional<uint8_t> RegionByteFor(std::string_view code) {
    std::string lower = AsciiLower(code);
    if (lower == "e") return EUROPE;
    if (lower == "j") return JAPAN;
    if (lower == "u") return USA;
    return std::nullopt;
}

char RegionLetter(uint8_t regionByte) {
    if (regionByte == JAPAN) return 'J';
    if (regionByte == EUROPE) return 'E';
    return 'U';
}

char PatchFirstSector(std::span<uint8_t> sector, HeaderReadResult layout, uint8_t targetRegion) {
    size_t base = layout == HeaderReadResult::ACCEPTED_RAW ? RAW_SECTOR_PREFIX : 0;
    uint8_t* block = sector.data() + base;
    char original = RegionLetter(block[field::REGION_BYTE.offset]);
    block[field::REGION_BYTE.offset] = targetRegion;
    const HeaderField mark = field::CONVERSION_MARKS[3];
    const char text[4] = {'M', 'o', 'D', original};
    for (size_t i = 0; i < mark.length; ++i) block[mark.offset + i] = static_cast<uint8_t>(text[i]);
    if (layout == HeaderReadResult::ACCEPTED_RAW && sector.size() >= RAW_SECTOR_SIZE)
        RecomputeMode1Parity(std::span<uint8_t, RAW_SECTOR_SIZE>(sector.data(), RAW_SECTOR_SIZE));
    return original;
}

}  // namespace cartovex
