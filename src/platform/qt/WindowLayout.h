// Where the Qt window puts its controls. The controls' places are given in dialog units, as on
// Windows, but a dialog unit there belongs to one raster font at one size; here the font and its
// size come from the desktop. So the units grow until the pane shows at least 80 columns without
// wrapping, the banner's art shows whole and the PROCESS caption fits its button, at any DPI and
// font size. Where the screen has no room for that, the pane gives up width and height and
// scrolls instead. The window can be resized: the pane takes what it gains or loses, the banner
// and the PROCESS button keep their sizes, down to a minimum where both still show whole.
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
    /// The client area at the controls' dialog-unit places, before the menu bar takes its height
    /// from it.
    QSize natural;
    /// The smallest client area that shows the banner and the button whole, with the pane at a
    /// third of its natural size.
    QSize minimum;
    /// The client area the window is sized for: the natural one, fitted into the screen's room.
    QSize client;
    /// The controls' places in `client`.
    QRect pane, banner, button;
};

/// The controls at their dialog-unit places in units large enough for `needs`, then fitted into
/// `room` (the screen's space for the client area) by narrowing and shortening the pane.
WindowGeometry LayOutWindow(const LayoutNeeds& needs, const QSize& room);

/// Places the controls for a client area of `client`: the pane grows or shrinks by the difference
/// from the natural size (to no less than a third of its natural size), the button moves with the
/// pane's bottom edge and stays centred below it, the banner stays where it is.
void ArrangeControls(WindowGeometry& geometry, const QSize& client);

/// The columns the pane shows without scrolling sideways, when the screen has the room.
constexpr int PANE_COLUMNS = 80;

}  // namespace cartovex
