// The CUE sheet reader of the repair and of the track count: sheets come with downloaded images,
// with any line ends and any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"
#include "disc/ImageFormat.h"
#include "outputs/CueRepair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view sheet(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitAnyLineEnds(sheet);
    // The repair keeps every line, replaces exactly those that name a file, and ends each in CR LF.
    const std::string repaired = RepairedCueSheetText(sheet, "Title.bin");
    const auto repairedLines = SplitAnyLineEnds(repaired);
    if (repairedLines.size() != lines.size()) __builtin_trap();
    if (!repaired.empty() && !repaired.ends_with("\r\n")) __builtin_trap();
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& expected = Contains(lines[i], "FILE") ? "FILE \"Title.bin\" BINARY" : lines[i];
        if (repairedLines[i] != expected) __builtin_trap();
    }
    // A repaired sheet repairs to itself.
    if (RepairedCueSheetText(repaired, "Title.bin") != repaired) __builtin_trap();
    if (CountCueAudioLines(sheet) > static_cast<int>(lines.size())) __builtin_trap();
    return 0;
}
