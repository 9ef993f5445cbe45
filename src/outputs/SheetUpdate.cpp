#include "outputs/SheetUpdate.h"

#include "common/Text.h"
#include "disc/CueSheetFiles.h"

namespace cartovex {

namespace {

std::optional<std::string> NewNameIn(const std::vector<RenameStep>& renames, const std::string& name) {
    for (const RenameStep& step : renames)
        if (EqualsIgnoringAsciiCase(name, step.from)) return step.to;
    return std::nullopt;
}

}  // namespace

void FollowRenamesInSheets(Program& program, const std::vector<RenameStep>& renames,
                           const std::string& ownSheet, const std::vector<RenameStep>& ownSheetRenames) {
    Files& files = program.files();
    for (const std::string& sheet : files.ListCurrentFolder("*.cue")) {
        std::string text;
        const auto lines = ReadSheetFiles(files, sheet, &text);
        if (!lines) continue;
        const bool own = sheet == ownSheet;
        auto newName = [&](const CueFileLine& line) -> std::optional<std::string> {
            auto name = NewNameIn(renames, line.name);
            if (!name && own) name = NewNameIn(ownSheetRenames, line.name);
            if (name && *name == line.name) return std::nullopt;
            return name;
        };
        bool changes = false;
        for (const CueFileLine& line : *lines) changes = changes || newName(line).has_value();
        if (!changes) continue;
        if (!files.WriteFile(sheet, RenameInCueSheet(text, *lines, newName)))
            program.pane.AppendLine("CUE sheet " + sheet + " could not be updated.");
    }
}

}  // namespace cartovex
