#include "state/MenuModel.h"

#include <cctype>

#include "platform/Window.h"

namespace cartovex {

namespace {

// Each title and item carries its mnemonic: the letter after '&', underlined by every backend and
// typed with Alt (or alone, once its menu is open); "&&" is a literal '&'. The letters don't repeat
// within a menu. The File menu keeps D and U for the commands that go next to Mass processing.
constexpr MenuNode MENU[] = {
    {0, MenuNode::POPUP, "&File", 0, MENU_ENABLED},
    {1, MenuNode::COMMAND, "&Browse for images...\tCtrl+B", CMD_BROWSE_IMAGES, MENU_ENABLED},
    {1, MenuNode::COMMAND, "&Scan missing...\tCtrl+S", CMD_SCAN_MISSING, MENU_ENABLED},
    {1, MenuNode::COMMAND, "&Mass processing...\tCtrl+M", CMD_MASS_PROCESSING, MENU_ENABLED},
    {1, MenuNode::COMMAND, "Verify against &DAT files...", CMD_VERIFY_DATS, MENU_ENABLED},
    {1, MenuNode::COMMAND, "&Undo last processing", CMD_UNDO_LAST, MENU_ENABLED},
    {1, MenuNode::POPUP, "Convert &Region", 0, MENU_ENABLED},
    {2, MenuNode::COMMAND, "To &Europe", CMD_TO_EUROPE, MENU_DISABLED},
    {2, MenuNode::COMMAND, "To &Japan", CMD_TO_JAPAN, MENU_DISABLED},
    {2, MenuNode::COMMAND, "To &USA", CMD_TO_USA, MENU_DISABLED},
    {1, MenuNode::SEPARATOR, "-", 0, MENU_ENABLED},
    {1, MenuNode::COMMAND, "&View MISS list", CMD_VIEW_MISS, MENU_ENABLED},
    {1, MenuNode::COMMAND, "View &HAVE list", CMD_VIEW_HAVE, MENU_ENABLED},
    {1, MenuNode::SEPARATOR, "-", 0, MENU_ENABLED},
    {1, MenuNode::COMMAND, "E&xit\tCtrl+X", CMD_EXIT, MENU_ENABLED},
    {0, MenuNode::POPUP, "&Toggle", 0, MENU_ENABLED},
    {1, MenuNode::COMMAND, "Generate &log", CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED},
    {1, MenuNode::COMMAND, "Generate .&CUE", CMD_TOGGLE_GENERATE_CUE, MENU_CHECKED},
    {1, MenuNode::COMMAND, "Rename &folder", CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED},
    {1, MenuNode::COMMAND, "Fix &BIN/CUE sheet", CMD_TOGGLE_FIX_CUE, MENU_ENABLED},
    {1, MenuNode::COMMAND, "Rename with &underscore", CMD_TOGGLE_UNDERSCORE, MENU_CHECKED},
    {0, MenuNode::COMMAND, "&About", CMD_ABOUT, MENU_ENABLED},
};

constexpr Accelerator ACCELERATORS[] = {
    {'X', CMD_EXIT},
    {'B', CMD_BROWSE_IMAGES},
    {'S', CMD_SCAN_MISSING},
    {'M', CMD_MASS_PROCESSING},
};

constexpr ToggleInfo TOGGLES[] = {
    {CMD_TOGGLE_RENAME_FOLDER, "TOGGLE_RENAMEFOLDER", "folder"},
    {CMD_TOGGLE_GENERATE_LOG, "TOGGLE_GENERATELOG", "log"},
    {CMD_TOGGLE_GENERATE_CUE, "TOGGLE_GENERATECUE", "cue"},
    {CMD_TOGGLE_FIX_CUE, "TOGGLE_FIXBINCUESHEET", "fixcue"},
    {CMD_TOGGLE_UNDERSCORE, "TOGGLE_UNDERSCORE", "underscore"},
};

// "Cartovex" in slanted letters; five lines of letters and a sixth with their lower tips.
constexpr std::string_view BANNER =
    "       _____                  __                                           \r\n"
    "      / ____|  __ _  _ __   _/ /_  ___  __   __  ___  __  __               \r\n"
    "     / /      / _` || `__| /_  _/ / _ \\ \\ \\ / / / _ \\ \\ \\/ /               \r\n"
    "    / /___   | (_| || |     / /_ | (_) |  \\//  |  __/  >  <                \r\n"
    "    \\_____|   \\__._||_|     \\__/  \\___/   \\_/   \\___| /_/\\_\\               \r\n"
    "        `.         `.         `.         `.         `.        `.           ";

constexpr std::string_view CAPTION =
    "_____ _____  _____   ____  _____   __   __\r\n"
    "||_// ||_// ((   )) ((    .||==   ((   (( \r\n"
    "||    || \\\\  \\\\_//   \\\\__  ||___ \\_)) \\_))";

}  // namespace

std::span<const MenuNode> MenuTree() {
    return MENU;
}

std::string PlainMenuLabel(std::string_view label) {
    std::string plain;
    plain.reserve(label.size());
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '&' && i + 1 < label.size()) ++i;
        plain += label[i];
    }
    return plain;
}

char MenuMnemonic(std::string_view label) {
    for (size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] != '&')
            return static_cast<char>(std::toupper(static_cast<unsigned char>(label[i + 1])));
        ++i;
    }
    return 0;
}
std::span<const Accelerator> Accelerators() {
    return ACCELERATORS;
}
std::span<const ToggleInfo> Toggles() {
    return TOGGLES;
}
std::string_view BannerText() {
    return BANNER;
}
std::string_view ProcessCaption() {
    return CAPTION;
}

}  // namespace cartovex
