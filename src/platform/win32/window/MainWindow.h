// The program's one window on Win32: the dialog built from MainWindowTemplate, its menu bar and
// accelerators built from the shared menu model, its colours and icon, run modally with the
// command handler.
#pragma once

#include <string>

#include "platform/win32/window/Win32Window.h"

namespace cartovex {

/// The registered message that asks the main window for a menu item's state by command id
/// (wParam), answered as the program reads it (8 checked, 2 cannot be chosen, -1 no such item).
/// Other processes can't read our menus where the platform keeps them per process (Wine does), so
/// test drivers and accessibility tools ask with this.
constexpr const char* MENU_STATE_QUERY = "Cartovex.MenuItemState";

/// Builds the menu bar from the shared menu tree.
HMENU BuildMenuBar();
/// Builds the accelerator table from the shared table.
HACCEL BuildAccelerators();

/// Creates the main window, lets `handler` initialise it, shows it and runs it until the handler
/// ends the run (Exit) or the user closes the window. Returns the run's result.
int RunMainWindow(HINSTANCE instance, Win32Window& window, WindowHandler handler, const std::string& title);

}  // namespace cartovex
