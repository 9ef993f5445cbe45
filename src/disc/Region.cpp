#include "common/Text.h"
#include "disc/Decoders.h"

namespace cartovex {

namespace {
constexpr uint8_t REGION_JAPAN = 0xA1;
constexpr uint8_t REGION_EUROPE = 0x64;
}  // namespace

std::string DecodeRegion(const DiscInfo& disc) {
    // A region converter leaves "MoD" and the old region letter at one of four spare places of the
    // block, starting at the place's first or second byte. The last place that holds one wins.
    std::string note;
    for (int place = 0; place < 4; ++place) {
        const std::string mark = ConversionMark(disc.header, place);
        if (mark.compare(0, 3, "MoD") == 0 || mark.compare(1, 3, "MoD") == 0)
            note = " CONVERTED. Original Region : " + mark.substr(3, 1);
    }
    const uint8_t region = RegionByte(disc.header);
    std::string text = region == REGION_JAPAN    ? "J : Japan"
                       : region == REGION_EUROPE ? "E : Europe"
                                                 : "U : USA";
    return text + note;
}

}  // namespace cartovex
