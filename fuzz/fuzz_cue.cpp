// The CUE sheet readers: the FILE lines, the repair, the rename in place and the track count.
// Sheets come with downloaded images, with any line ends and any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "outputs/CueRepair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view sheet(reinterpret_cast<const char*>(data), size);
    const auto lines = SplitAnyLineEnds(sheet);
    const auto files = ReadCueFileLines(sheet);
    if (files.size() > lines.size()) __builtin_trap();
    for (const CueFileLine& file : files)
        if (file.nameStart > file.nameEnd || file.nameEnd > sheet.size() ||
            sheet.substr(file.nameStart, file.nameEnd - file.nameStart) != file.name)
            __builtin_trap();

    // The repair keeps every line and ends each in CR LF; the FILE lines stay FILE lines and take
    // the new names, and a repaired sheet repairs to itself.
    std::vector<RenameStep> renames;
    for (const CueFileLine& file : files) renames.push_back({file.name, "Title.bin"});
    const std::string repaired = RepairedCueSheetText(sheet, renames);
    if (SplitAnyLineEnds(repaired).size() != lines.size()) __builtin_trap();
    if (!repaired.empty() && !repaired.ends_with("\r\n")) __builtin_trap();
    const auto repairedFiles = ReadCueFileLines(repaired);
    if (repairedFiles.size() != files.size()) __builtin_trap();
    for (const CueFileLine& file : repairedFiles)
        if (file.name != "Title.bin") __builtin_trap();
    if (RepairedCueSheetText(repaired, {}) != repaired) __builtin_trap();

    // A rename in place changes the names and nothing else.
    const std::string renamed = RenameInCueSheet(
        sheet, files, [](const CueFileLine&) { return std::optional<std::string>("New Name.bin"); });
    const auto renamedFiles = ReadCueFileLines(renamed);
    if (renamedFiles.size() != files.size()) __builtin_trap();
    for (const CueFileLine& file : renamedFiles)
        if (file.name != "New Name.bin") __builtin_trap();
    if (CountCueAudioLines(sheet) > static_cast<int>(lines.size())) __builtin_trap();
    return 0;
}
