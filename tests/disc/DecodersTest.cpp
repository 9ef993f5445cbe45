#include <gtest/gtest.h>

#include "disc/Decoders.h"
#include "testkit/ImageBuilder.h"

namespace cartovex {
namespace {

using testkit::BuildHeader;
using testkit::HeaderSpec;

DeveloperList Developers() {
    DeveloperList list;
    for (int code = 0; code < DEVELOPER_DEFAULT_SLOTS; ++code)
        list.names[static_cast<size_t>(code)] = "dev" + std::to_string(code);
    return list;
}

struct PublisherCase {
    std::string copyright;
    std::string slot0, slot1, referenceId;
    std::string expected;
};

TEST(DecodePublisher, RulesInTheirOrder) {
    const std::vector<PublisherCase> cases = {
        {"(C)SEGA 1994.JAN", "MK", "4401 ", "MK-4401", "SEGA"},
        {"(c)Sega 1994.JAN", "MK", "4401 ", "MK-4401", "SEGA"},
        {"(C)T-SR 1993.MAY", "T", "25036 ", "T-25036", "Sony"},  // the prefix table comes before the serial
        {"(C)VRGN 1993.MAY", "MK", "1", "", "Virgin"},
        {"(C)SIMS 1993.MAY", "MK", "1", "", "SIMS"},
        {"(C)T-25 1993.JAN", "MK", "4401", "", "dev25"},  // "25 " reads as 25
        {"(C)T-450 1993.JA", "MK", "4401", "", "dev45"},  // 450 is no code: two digits
        {"(C)T-113 1993.JA", "MK", "4401", "", "dev113"},
        {"T-70 1994.JUN   ", "G", "6021", "", "dev70"},
        {"T-301 1994.JUN  ", "G", "6021", "", "dev30"},
        {"(C)T-25 1993.JAN", "T", "113044 ", "T-113044", "dev113"},  // the serial wins over the copyright
        {"(C)1993 NOBODY  ", "t", "25036   ", "", "dev25"},
        {"(C)1993 NOBODY  ", "T", "081", "", "dev0"},  // three digits: nothing left
        {"(C)1993 NOBODY  ", "T", "12", "", "dev12"},  // fewer than three: the whole slot
        {"(C)1993 NOBODY  ", "T", "", "", "dev0"},
        {"(C)1993 NOBODY  ", "MK", "4401", "", "SEGA"},
        {"(C)SONY 1993    ", "T", "25036", "T-6300", "Dynamix"},
        {"(C)1993 NOBODY  ", "T", "500001", "", "Unknown. CODE: 500"},  // beyond the table
    };
    const DeveloperList developers = Developers();
    for (const auto& c : cases) {
        HeaderSpec fields;
        fields.copyrightInfo = c.copyright;
        DiscInfo disc;
        disc.header = BuildHeader(fields);
        disc.serialParts[0] = c.slot0;
        disc.serialParts[1] = c.slot1;
        disc.referenceId = c.referenceId;
        EXPECT_EQ(DecodePublisher(disc, developers), c.expected)
            << c.copyright << " / " << c.slot0 << "-" << c.slot1;
    }
}

DiscInfo WithDevices(std::string_view field) {
    DiscInfo disc;
    disc.header = BuildHeader({});
    for (size_t i = 0; i < field::DEVICE_SUPPORT.length; ++i)
        disc.header[field::DEVICE_SUPPORT.offset + i] =
            i < field.size() ? static_cast<uint8_t>(field[i]) : ' ';
    return disc;
}

TEST(DecodeDevices, CodesNamesAndTheFirstUnknownCode) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"J", "3-Buttons Pad"},
        {"J6", "3-Buttons Pad, 6-Buttons Pad"},
        {"jm", "3-Buttons Pad, Mouse"},
        {"JM", "3-Buttons Pad, Mouse"},
        {"J4M", "3-Buttons Pad, MultiTap, Mouse"},
        {"J,6", "3-Buttons Pad, , 6-Buttons Pad"},
        {"J,", "3-Buttons Pad, "},
        {"GKRPTBVFCLA0",
         "Light Gun, Keyboard, Serial RS232C, Printer, Tablet, TrackBall, Paddle Controler, "
         "Floppy Disk Drive, CD-ROM Drive, Activator, Analog Controller, Master System Pad"},
        {"JX", "Unknown CODE : X"},
        {"jx", "Unknown CODE : x"},
        {"J 6", "Unknown CODE :  "},
        {" J6", "Unknown CODE :  "},
        {std::string("J\0\0\0", 4), std::string("Unknown CODE : \0", 16)},
    };
    for (const auto& [field, expected] : cases)
        EXPECT_EQ(DecodeDevices(WithDevices(field)), expected) << field;
}

TEST(DecodeRegion, RegionByteAndConversionMarks) {
    struct Case {
        uint8_t region;
        std::array<std::string, 4> marks;
        std::string expected;
    };
    const std::string note = " CONVERTED. Original Region : ";
    const std::vector<Case> cases = {
        {0xA1, {}, "J : Japan"},
        {0x64, {}, "E : Europe"},
        {0, {}, "U : USA"},
        {101, {}, "U : USA"},
        {255, {}, "U : USA"},
        {0, {"MoDJ", "", "", ""}, "U : USA" + note + "J"},
        {0, {"", "MoDE", "", ""}, "U : USA" + note + "E"},
        {0, {"", "", "MoDU", ""}, "U : USA" + note + "U"},
        {0, {"MoDE", "", "", "MoDJ"}, "U : USA" + note + "J"},  // the last place wins
        {0, {"modJ", "MODJ", "", ""}, "U : USA"},
        {0, {"", "", " MoD", ""}, "U : USA" + note + "D"},
        {0xA1, {"", "", "", "MoDU"}, "J : Japan" + note + "U"},
    };
    for (const auto& c : cases) {
        HeaderSpec fields;
        fields.regionByte = c.region;
        fields.conversionMarks = c.marks;
        DiscInfo disc;
        disc.header = BuildHeader(fields);
        EXPECT_EQ(DecodeRegion(disc), c.expected) << int(c.region) << " " << c.marks[0] << c.marks[3];
    }
}

}  // namespace
}  // namespace cartovex
