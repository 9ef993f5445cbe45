// The main window as the core sees it: menu item states by command id, the controls, and the pane
// control. The Qt and Win32 backends wrap real windows; the headless backend keeps it all in memory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace cartovex {

/// Menu item state flags, as the platform stores them.
constexpr int MENU_ENABLED = 0;
constexpr int MENU_DISABLED = 2;
constexpr int MENU_CHECKED = 8;

/// What a window backend hands on to the program: its initialisation before it is first shown, its
/// frame's activation changes, and every command with its control's notification code.
struct WindowHandler {
    std::function<void()> initialise;
    std::function<void(bool active)> activate;
    std::function<void(int commandId, int notification)> command;
};

class Window {
public:
    virtual ~Window() = default;

    virtual int MenuItemState(int commandId) const = 0;
    virtual void SetMenuItemState(int commandId, int state) = 0;

    virtual void EnableControl(int controlId, bool enabled) = 0;
    virtual bool IsControlEnabled(int controlId) const = 0;
    /// Gives a control the keyboard focus; 0 means none of ours.
    virtual void FocusControl(int controlId) = 0;
    virtual int FocusedControl() const = 0;

    /// Replaces the pane control's whole content.
    virtual void SetPaneText(std::string_view text) = 0;
    /// Adds text at the end of the pane control's content. A backend repaints the pane before it
    /// returns, so long commands show their progress.
    virtual void AppendPaneText(std::string_view text) = 0;
    /// Lines as the control counts them, wrapped lines included.
    virtual int PaneLineCount() const = 0;
    virtual void ScrollPane(int lines) = 0;

    /// Ends the window's modal run.
    virtual void EndModal(int result) = 0;
};

}  // namespace cartovex
