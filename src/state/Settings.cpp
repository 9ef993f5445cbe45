#include "state/Settings.h"

#include "common/Text.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

constexpr std::string_view SETTINGS_FILE = "Cartovex.ini";
// Six short lines; anything past this is not ours and is never looked at.
constexpr size_t SETTINGS_READ_LIMIT = 1u << 20;

// The text between the first "=" and the next one (or the end); empty without any "=".
std::string SettingValue(std::string_view line) {
    return Piece(line, '=', 1);
}

}  // namespace

void ReadSettings(Program& program) {
    Files& files = program.files();
    const std::string path = files.Join(files.CurrentDirectory(), SETTINGS_FILE);
    auto data = files.ReadFile(path, SETTINGS_READ_LIMIT);
    program.settingsUnreadable = !data && files.Exists(path);
    if (program.settingsUnreadable)
        program.pane.AppendLine(
            "Cartovex.ini could not be read. The default settings are used and not saved.");
    LineReader reader(data ? std::string_view(*data) : std::string_view());
    std::string line;

    // The first line is the update site whatever its key says; a file without it leaves no site.
    program.updateSite = reader.Next(line) ? SettingValue(line) : std::string();

    // The keys are written for the user's benefit only: a line's position says which toggle it is.
    for (const ToggleInfo& toggle : Toggles()) {
        if (!reader.Next(line)) break;
        std::string value = SettingValue(line);
        if (value == "on")
            program.window().SetMenuItemState(toggle.commandId, MENU_CHECKED);
        else if (value == "off")
            program.window().SetMenuItemState(toggle.commandId, MENU_ENABLED);
    }
}

void WriteSettings(Program& program) {
    if (program.settingsUnreadable) {
        program.pane.AppendLine("Cartovex.ini could not be read, so it is left as it is.");
        return;
    }
    std::string content = "UpdateSite=" + program.updateSite + "\r\n";
    for (const ToggleInfo& toggle : Toggles()) {
        bool on = program.window().MenuItemState(toggle.commandId) == MENU_CHECKED;
        content += std::string(toggle.settingsKey) + (on ? "=on" : "=off") + "\r\n";
    }
    // Processing saves the settings after every disc; in a mass run they rarely change, and a new
    // file for each disc would cost more than the disc's own report.
    Files& files = program.files();
    const std::string path = program.StartFile(SETTINGS_FILE);
    std::optional<std::string>* onDisc = program.Run().settingsOnDisc;
    if (onDisc && *onDisc == content) return;
    if (files.ReadFile(path, content.size() + 1) == content) {
        if (onDisc) *onDisc = content;
        return;
    }
    if (!files.WriteFile(path, content)) {
        program.pane.AppendLine("Cartovex.ini could not be written.");
        return;
    }
    if (onDisc) *onDisc = content;
}

}  // namespace cartovex
