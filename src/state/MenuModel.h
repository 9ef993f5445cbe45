// The main window as data: command and control ids, the menu tree, the accelerator table and the
// control layout. Every window backend builds its native objects from these tables, so all of them
// carry the same labels, ids and initial states.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace cartovex {

enum CommandId : int {
    CMD_BROWSE_IMAGES = 9000,
    CMD_VIEW_MISS = 9001,
    CMD_VIEW_HAVE = 9002,
    CMD_TOGGLE_RENAME_FOLDER = 9004,
    CMD_TOGGLE_GENERATE_LOG = 9006,
    CMD_TOGGLE_GENERATE_CUE = 9007,
    CMD_SCAN_MISSING = 9011,
    CMD_MASS_PROCESSING = 9012,
    CMD_VERIFY_DATS = 9030,
    CMD_UNDO_LAST = 9500,
    CMD_EXIT = 9013,
    CMD_PROCESS = 9015,
    CMD_ABOUT = 9016,
    CMD_TO_EUROPE = 9902,
    CMD_TO_JAPAN = 9903,
    CMD_TO_USA = 9904,
    CMD_TOGGLE_FIX_CUE = 9989,
    CMD_TOGGLE_UNDERSCORE = 9990,
};

enum ControlId : int {
    ID_OUTPUT_PANE = 9009,
    ID_BANNER = 9014,
    ID_PROCESS_BUTTON = 9015,
};

/// One row of the menu tree. `depth` 0 is the bar; a popup's items follow it with depth + 1.
struct MenuNode {
    enum Kind { POPUP, COMMAND, SEPARATOR };
    int depth;
    Kind kind;
    std::string_view label;  // "label\tshortcut" where the item has a shortcut; '&' marks the mnemonic
    int id;                  // 0 for popups and separators
    int initialState;        // MENU_ENABLED, MENU_DISABLED or MENU_CHECKED
};

/// The whole menu tree in the order it is built.
std::span<const MenuNode> MenuTree();

/// A label as it reads, without its mnemonic marker ("E&xit\tCtrl+X" is "Exit\tCtrl+X"; "&&" is '&').
std::string PlainMenuLabel(std::string_view label);
/// The label's mnemonic letter in upper case, or 0 when it has none.
char MenuMnemonic(std::string_view label);

struct Accelerator {
    char key;  // the capital letter; its ASCII code is the virtual-key code
    int commandId;
};
/// Ctrl+X, Ctrl+B, Ctrl+S, Ctrl+M, in this order. Each is a virtual-key accelerator with Ctrl held and
/// no menu highlighting (flags 11).
std::span<const Accelerator> Accelerators();
constexpr int ACCELERATOR_FLAGS = 11;

/// A control's place in dialog units of the window's font.
struct ControlLayout {
    int id;
    int x, y, width, height;
};
constexpr ControlLayout PANE_LAYOUT{ID_OUTPUT_PANE, 20, 60, 315, 190};
constexpr ControlLayout BANNER_LAYOUT{ID_BANNER, 5, 5, 340, 50};
constexpr ControlLayout PROCESS_LAYOUT{ID_PROCESS_BUTTON, 80, 250, 200, 40};
constexpr int CLIENT_WIDTH_DLU = 350;
constexpr int CLIENT_HEIGHT_DLU = 310;

/// The six banner lines of 75 characters, joined by CR LF.
std::string_view BannerText();
/// The three-line PROCESS caption, joined by CR LF.
std::string_view ProcessCaption();

/// The five toggles of the Toggle menu, in the settings file's order.
struct ToggleInfo {
    int commandId;
    std::string_view settingsKey;
    std::string_view cliName;
};
std::span<const ToggleInfo> Toggles();

}  // namespace cartovex
