#include "outputs/SheetUpdate.h"

#include "common/Text.h"
#include "disc/CueSheetFiles.h"

namespace cartovex {

std::optional<std::string> NewNameOf(const std::vector<RenameStep>& renames, std::string_view name) {
    for (const RenameStep& step : renames)
        if (EqualsIgnoringAsciiCase(name, step.from)) return step.to;
    return std::nullopt;
}

std::vector<SheetUpdate> PlanSheetUpdates(const Files& files, const std::vector<RenameStep>& renames,
                                          const std::string& ownSheet,
                                          const std::vector<RenameStep>& ownSheetRenames, bool* longLine) {
    std::vector<SheetUpdate> updates;
    if (renames.empty() && ownSheetRenames.empty()) return updates;
    for (const std::string& sheet : files.ListCurrentFolder("*.cue")) {
        std::string text;
        const auto lines = ReadSheetFiles(files, sheet, &text);
        if (!lines) continue;
        const bool own = sheet == ownSheet;
        auto newName = [&](const CueFileLine& line) -> std::optional<std::string> {
            auto name = NewNameOf(renames, line.name);
            if (!name && own) name = NewNameOf(ownSheetRenames, line.name);
            if (name && *name == line.name) return std::nullopt;
            return name;
        };
        bool changes = false;
        for (const CueFileLine& line : *lines) changes = changes || newName(line).has_value();
        if (changes) updates.emplace_back(sheet, RenameInCueSheet(text, *lines, newName, longLine));
    }
    return updates;
}

bool WriteSheetUpdates(Program& program, const std::vector<SheetUpdate>& updates) {
    bool all = true;
    for (const auto& [sheet, content] : updates) {
        if (program.files().WriteFile(sheet, content)) continue;
        const bool playlist = EndsWithIgnoringAsciiCase(sheet, ".m3u");
        program.pane.AppendLine((playlist ? "Playlist " : "CUE sheet ") + sheet + " could not be updated.");
        all = false;
    }
    return all;
}

}  // namespace cartovex
