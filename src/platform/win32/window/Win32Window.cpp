#include "platform/win32/window/Win32Window.h"

#include <string>

#include "state/MenuModel.h"

namespace cartovex {

void Win32Window::Attach(HWND dialog, HMENU menuBar) {
    dialog_ = dialog;
    menuBar_ = menuBar;
}

// The program speaks of the state flags 8 (checked) and 2 (cannot be chosen); Win32 keeps a
// disabled item as MFS_GRAYED, which sets both of its low bits, and adds bits such as the
// highlight that mean nothing to the program.
int Win32Window::MenuItemState(int commandId) const {
    if (!menuBar_) return -1;
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    if (!GetMenuItemInfoA(menuBar_, static_cast<UINT>(commandId), FALSE, &item)) return -1;
    int state = MENU_ENABLED;
    if (item.fState & MFS_CHECKED) state |= MENU_CHECKED;
    if (item.fState & MFS_DISABLED) state |= MENU_DISABLED;
    return state;
}

void Win32Window::SetMenuItemState(int commandId, int state) {
    if (!menuBar_) return;
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = ((state & MENU_CHECKED) ? MFS_CHECKED : MFS_UNCHECKED) |
                  ((state & MENU_DISABLED) ? MFS_GRAYED : MFS_ENABLED);
    SetMenuItemInfoA(menuBar_, static_cast<UINT>(commandId), FALSE, &item);
}

void Win32Window::EnableControl(int controlId, bool enabled) {
    if (HWND control = dialog_ ? GetDlgItem(dialog_, controlId) : nullptr) EnableWindow(control, enabled);
}

bool Win32Window::IsControlEnabled(int controlId) const {
    HWND control = dialog_ ? GetDlgItem(dialog_, controlId) : nullptr;
    return control && IsWindowEnabled(control);
}

void Win32Window::FocusControl(int controlId) {
    HWND control = dialog_ && controlId != 0 ? GetDlgItem(dialog_, controlId) : nullptr;
    // Through the dialog manager, which makes a focused push button the default one: Enter then
    // presses PROCESS, as Space does. Every appended line asks for the pane; asking again is no news.
    if (control && GetFocus() != control)
        SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

int Win32Window::FocusedControl() const {
    HWND focus = GetFocus();
    if (!dialog_ || !focus || !IsChild(dialog_, focus)) return 0;
    return GetDlgCtrlID(focus);
}

HWND Win32Window::Pane() const {
    return dialog_ ? GetDlgItem(dialog_, ID_OUTPUT_PANE) : nullptr;
}

// A long command doesn't return to the message loop between lines: the window is painted here,
// often enough to show progress and seldom enough not to pay a paint per line. The whole window,
// its frame and menu bar included: a dialog the command closed leaves its picture over them, and
// they would show it until the command ends. No input is taken meanwhile.
void Win32Window::PaintPaneSoon(HWND pane) {
    const ULONGLONG now = GetTickCount64();
    if (now - panePainted_ < PANE_PAINT_INTERVAL_MS) return;
    // What is invalid is painted now: the frame and menu bar, the dialog's background, every control.
    RedrawWindow(dialog_ ? dialog_ : pane, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASENOW | RDW_ALLCHILDREN);
    panePainted_ = now;
}

void Win32Window::SetPaneText(std::string_view text) {
    if (HWND pane = Pane()) {
        SetWindowTextA(pane, std::string(text).c_str());
        PaintPaneSoon(pane);
    }
}

void Win32Window::AppendPaneText(std::string_view text) {
    HWND pane = Pane();
    if (!pane) return;
    // Only the new text goes to the control, at its end, so appending stays linear in the output.
    LRESULT end = SendMessageA(pane, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(pane, EM_SETSEL, static_cast<WPARAM>(end), end);
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(std::string(text).c_str()));
    PaintPaneSoon(pane);
}

int Win32Window::PaneLineCount() const {
    HWND pane = Pane();
    return pane ? static_cast<int>(SendMessageA(pane, EM_GETLINECOUNT, 0, 0)) : 0;
}

void Win32Window::ScrollPane(int lines) {
    if (HWND pane = Pane()) {
        SendMessageA(pane, EM_LINESCROLL, 0, lines);
        PaintPaneSoon(pane);
    }
}

void Win32Window::EndModal(int result) {
    ended_ = true;
    result_ = result;
    // Wakes the modal loop in case the call came from outside a dispatched message.
    if (dialog_) PostMessageA(dialog_, WM_NULL, 0, 0);
}

}  // namespace cartovex
