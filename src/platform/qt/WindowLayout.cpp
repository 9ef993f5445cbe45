#include "platform/qt/WindowLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "state/MenuModel.h"

namespace cartovex {

namespace {

QRect Place(const ControlLayout& layout, const DialogBaseUnits& units) {
    return QRect(units.X(layout.x), units.Y(layout.y), units.X(layout.width), units.Y(layout.height));
}

// Below a third of its size the pane is no use for the program.
int Smallest(int size) {
    return size - (size - size / 3);
}

}  // namespace

DialogBaseUnits DialogBaseUnits::ForFont(const QFont& font) {
    QFontMetrics metrics(font);
    const int width =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int averageCharWidth = (width / 26 + 1) / 2;
    return DialogBaseUnits{averageCharWidth / 4.0, metrics.height() / 8.0};
}

int DialogBaseUnits::X(int dlu) const {
    return static_cast<int>(std::lround(dlu * x));
}

int DialogBaseUnits::Y(int dlu) const {
    return static_cast<int>(std::lround(dlu * y));
}

WindowGeometry LayOutWindow(const LayoutNeeds& needs, const QSize& room) {
    WindowGeometry geometry;
    DialogBaseUnits& units = geometry.units;
    units.x = std::max({needs.font.x, double(needs.paneWidth) / PANE_LAYOUT.width,
                        double(needs.banner.width()) / BANNER_LAYOUT.width,
                        double(needs.button.width()) / PROCESS_LAYOUT.width});
    units.y = std::max({needs.font.y, double(needs.banner.height()) / BANNER_LAYOUT.height,
                        double(needs.button.height()) / PROCESS_LAYOUT.height});
    // A unit rounded down would lose the pixels the contents were measured for.
    units.x = std::ceil(units.x * 1024) / 1024;
    units.y = std::ceil(units.y * 1024) / 1024;

    geometry.natural = QSize(units.X(CLIENT_WIDTH_DLU), units.Y(CLIENT_HEIGHT_DLU));
    const QRect pane = Place(PANE_LAYOUT, units);
    const QRect banner = Place(BANNER_LAYOUT, units);
    const QRect button = Place(PROCESS_LAYOUT, units);
    // Narrower than the banner's art or the button with their margins, either would be cut.
    const int wholeWidth = std::max(banner.x() * 2 + needs.banner.width(), button.width() + 2 * banner.x());
    geometry.minimum = QSize(
        std::min(geometry.natural.width(),
                 std::max(wholeWidth, geometry.natural.width() - pane.width() + Smallest(pane.width()))),
        geometry.natural.height() - pane.height() + Smallest(pane.height()));
    // Too little room: the pane gives up what the screen lacks; whatever still doesn't fit is cut
    // at the window's edge.
    geometry.client = geometry.natural.boundedTo(room).expandedTo(geometry.minimum);
    ArrangeControls(geometry, geometry.client);
    return geometry;
}

void ArrangeControls(WindowGeometry& geometry, const QSize& client) {
    const DialogBaseUnits& units = geometry.units;
    QRect pane = Place(PANE_LAYOUT, units);
    QRect banner = Place(BANNER_LAYOUT, units);
    QRect button = Place(PROCESS_LAYOUT, units);
    const QSize gained = client - geometry.natural;
    const QSize paneSize =
        (pane.size() + gained).expandedTo(QSize(Smallest(pane.width()), Smallest(pane.height())));
    const QSize paneGained = paneSize - pane.size();
    pane.setSize(paneSize);
    button.translate(paneGained.width() / 2, paneGained.height());
    if (button.right() >= client.width()) button.moveLeft(client.width() - button.width());
    if (button.left() < 0) button.moveLeft(0);
    banner.setWidth(std::min(banner.width(), client.width() - banner.x()));
    geometry.pane = pane;
    geometry.banner = banner;
    geometry.button = button;
}

}  // namespace cartovex
