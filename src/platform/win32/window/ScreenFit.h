// The main window on a screen too small for it. Its dialog template is sized in units of its font,
// so at a large font setting (or on a netbook's 768 lines) the window can be taller than the screen
// and PROCESS ends up below the task bar. There the window is capped to the monitor's work area
// and the pane gives up what the screen lacks; on every screen it fits, nothing changes.
#pragma once

#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

struct ScreenFit {
    /// The window's place: the same size when it fits the work area, otherwise capped to it; moved
    /// inside the work area either way.
    RECT window;
    /// What the pane gives up, in pixels; the PROCESS button moves up by `height` and left by half
    /// of `width`, so it stays below the pane and centred under it.
    SIZE paneLoss;
};

/// `window` and `work` in screen coordinates, `pane` the pane's size. The pane keeps at least a
/// third of its width and height; a screen smaller still cuts the window at its edge.
ScreenFit FitIntoWorkArea(const RECT& window, const RECT& work, SIZE pane);

/// Applies the fit to the dialog before it is first shown: the monitor is the one the window lies
/// on (the task bar's side and size come with its work area).
void FitMainWindowOnScreen(HWND dialog);

}  // namespace cartovex
