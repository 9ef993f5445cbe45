// Where the Qt window puts its controls. The controls' places are given in dialog units, as on
// Windows, but a dialog unit there belongs to one raster font at one size; here the font and its
// size come from the desktop. So the units grow until the pane shows at least 80 columns without
// wrapping, the banner's art shows whole and the PROCESS caption fits its button, at any DPI and
// font size. Where the screen has no room for that, the pane gives up width and height and
// scrolls instead.
#pragma once

#include <QRect>
#include <QSize>

class QFont;

namespace cartovex {

/// Pixels per dialog unit. Win32 works them out from a dialog's font: a horizontal unit is a
/// quarter of the font's average character width, a vertical one an eighth of its height.
struct DialogBaseUnits {
    double x = 0;
    double y = 0;

    static DialogBaseUnits ForFont(const QFont& font);
    /// Rounded to the nearest pixel, as MulDiv does.
    int X(int dlu) const;
    int Y(int dlu) const;
};

/// What the controls' contents need, in pixels.
struct LayoutNeeds {
    DialogBaseUnits font;
    /// The pane's width for 80 columns, its margins and its vertical scroll bar.
    int paneWidth = 0;
    QSize banner;
    QSize button;
};

struct WindowGeometry {
    DialogBaseUnits units;
    /// The client area the window is sized for, before the menu bar takes its height from it.
    QSize client;
    QRect pane, banner, button;
};

/// The controls at their dialog-unit places in units large enough for `needs`, then fitted into
/// `room` (the screen's space for the client area) by narrowing and shortening the pane.
WindowGeometry LayOutWindow(const LayoutNeeds& needs, const QSize& room);

/// The columns the pane shows without scrolling sideways, when the screen has the room.
constexpr int PANE_COLUMNS = 80;

}  // namespace cartovex
