#include "outputs/InfoReport.h"

#include <cstdio>

#include "common/Text.h"
#include "disc/FieldLines.h"
#include "disc/ShownFormat.h"

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
    const std::string rule(75, '-');

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
    for (const auto& field : FieldLines(program, ShownImageFormat(program))) line(field);
    line(rule);
    return text;
}

bool WriteInfoReport(Program& program) {
    return program.files().WriteFile(INFO_REPORT_FILE, InfoReportText(program));
}

}  // namespace cartovex
