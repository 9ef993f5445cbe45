// The Window interface over the real main window: a dialog with its menu bar. Calls made before
// the dialog exists change nothing.
#pragma once

#include "platform/Window.h"
#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

class Win32Window : public Window {
public:
    /// Called once the dialog and its menu bar exist.
    void Attach(HWND dialog, HMENU menuBar);
    HWND Handle() const { return dialog_; }

    int MenuItemState(int commandId) const override;
    void SetMenuItemState(int commandId, int state) override;
    void EnableControl(int controlId, bool enabled) override;
    bool IsControlEnabled(int controlId) const override;
    void FocusControl(int controlId) override;
    int FocusedControl() const override;
    void SetPaneText(std::string_view text) override;
    void AppendPaneText(std::string_view text) override;
    int PaneLineCount() const override;
    void ScrollPane(int lines) override;
    void EndModal(int result) override;

    bool ModalEnded() const { return ended_; }
    int ModalResult() const { return result_; }

private:
    /// The pane is painted this often at most while a command runs.
    static constexpr ULONGLONG PANE_PAINT_INTERVAL_MS = 33;

    HWND Pane() const;
    void PaintPaneSoon(HWND pane);

    HWND dialog_ = nullptr;
    HMENU menuBar_ = nullptr;
    bool ended_ = false;
    int result_ = 0;
    ULONGLONG panePainted_ = 0;
};

}  // namespace cartovex
