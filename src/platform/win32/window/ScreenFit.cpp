#include "platform/win32/window/ScreenFit.h"

#include <algorithm>

#include "state/MenuModel.h"

namespace cartovex {

namespace {

// How much of `excess` a pane side of `size` can give up, keeping a third.
LONG Loss(LONG excess, LONG size) {
    return std::clamp<LONG>(excess, 0, size - size / 3);
}

// A control's place in the dialog's client coordinates.
RECT PlaceOf(HWND dialog, HWND control) {
    RECT at{};
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
    return at;
}

}  // namespace

ScreenFit FitIntoWorkArea(const RECT& window, const RECT& work, SIZE pane) {
    const LONG width = window.right - window.left, height = window.bottom - window.top;
    const LONG roomWidth = work.right - work.left, roomHeight = work.bottom - work.top;
    ScreenFit fit{};
    fit.paneLoss.cx = Loss(width - roomWidth, pane.cx);
    fit.paneLoss.cy = Loss(height - roomHeight, pane.cy);
    const LONG newWidth = width - fit.paneLoss.cx, newHeight = height - fit.paneLoss.cy;
    // Inside the work area where it has the room, else against its top left corner, where the
    // title bar and the menu stay reachable.
    const LONG left = std::clamp(window.left, work.left, std::max(work.left, work.right - newWidth));
    const LONG top = std::clamp(window.top, work.top, std::max(work.top, work.bottom - newHeight));
    fit.window = RECT{left, top, left + newWidth, top + newHeight};
    return fit;
}

void FitMainWindowOnScreen(HWND dialog) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor) &&
        !SystemParametersInfoA(SPI_GETWORKAREA, 0, &monitor.rcWork, 0))
        return;
    HWND pane = GetDlgItem(dialog, ID_OUTPUT_PANE), button = GetDlgItem(dialog, ID_PROCESS_BUTTON);
    if (!pane || !button) return;
    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT paneAt = PlaceOf(dialog, pane), buttonAt = PlaceOf(dialog, button);
    const ScreenFit fit =
        FitIntoWorkArea(window, monitor.rcWork, SIZE{paneAt.right - paneAt.left, paneAt.bottom - paneAt.top});
    if (fit.paneLoss.cx != 0 || fit.paneLoss.cy != 0) {
        SetWindowPos(pane, nullptr, 0, 0, paneAt.right - paneAt.left - fit.paneLoss.cx,
                     paneAt.bottom - paneAt.top - fit.paneLoss.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(button, nullptr, buttonAt.left - fit.paneLoss.cx / 2, buttonAt.top - fit.paneLoss.cy, 0,
                     0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!EqualRect(&fit.window, &window))
        SetWindowPos(dialog, nullptr, fit.window.left, fit.window.top, fit.window.right - fit.window.left,
                     fit.window.bottom - fit.window.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace cartovex
