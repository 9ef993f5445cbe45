#include "outputs/InfoReport.h"

#include <cstdio>

#include "common/Text.h"
#include "disc/Decoders.h"
#include "disc/ImageFormat.h"

namespace cartovex {

namespace {

constexpr std::string_view CREDIT = " - made by the Cartovex Team, http://www.cartovex.example.org";

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string FourDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", value);
    return text;
}

// MM-DD-YYYY HH:MM:SS
std::string DateTimeText(const LocalTime& t) {
    return TwoDigits(t.month) + "-" + TwoDigits(t.day) + "-" + FourDigits(t.year) + " " + TwoDigits(t.hour) +
           ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

}  // namespace

std::string InfoReportText(Program& program) {
    const DiscInfo& disc = program.disc;
    const HeaderBlock& h = disc.header;
    const std::string rule(75, '-');
    std::string tracks = PlainNumber(disc.audioTracks);
    if (disc.tracksMismatch == SET_VALUE) tracks += " (SOME MISSING)";

    const std::pair<const char*, std::string> fields[] = {
        {"Boot System         : ", BootSystem(h)},
        {"CD Type             : ", CdType(h)},
        {"System Name         : ", SystemName(h)},
        {"System Version      : ", HexForm(SystemVersion(h))},
        {"System Needed       : ", SystemNeeded(h)},
        {"Copyright Info      : ", CopyrightInfo(h)},
        {"Local Name          : ", LocalName(h)},
        {"World Name          : ", WorldName(h)},
        {"Software Type       : ", SoftwareType(h)},
        {"Software Version    : ", disc.softwareVersion},
        {"Supported Device(s) : ", DecodeDevices(disc)},
        {"Develloped by       : ", DecodePublisher(disc, program.developers)},
        {"Region Code         : ", DecodeRegion(disc)},
        {"Reference ID        : ", disc.referenceId},
        {"Time Stamp          : ", TimeStamp(h)},
        {"Image Format        : ", DetectImageFormat(program.files())},
        {"CRC32 Checksum      : ", HexForm(disc.crc32)},
        {"Audio Track(s)      : ", tracks},
    };

    std::string text;
    auto line = [&text](std::string_view content) {
        text += content;
        text += "\r\n";
    };
    line("Cartovex " + program.versionText + std::string(CREDIT));
    line(rule);
    line("Generated           : " + DateTimeText(program.platform.clock.Now()));
    line("Database Name       : " + disc.displayName);
    line(rule);
    for (const auto& [label, value] : fields) line(label + value);
    line(rule);
    return text;
}

bool WriteInfoReport(Program& program) {
    return program.files().WriteFile(INFO_REPORT_FILE, InfoReportText(program));
}

}  // namespace cartovex
