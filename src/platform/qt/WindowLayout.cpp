#include "platform/qt/WindowLayout.h"

#include <QFont>
#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "app/MenuModel.h"

namespace cartovex {

namespace {

QRect Place(const ControlLayout& layout, const DialogBaseUnits& units) {
    return QRect(units.X(layout.x), units.Y(layout.y), units.X(layout.width), units.Y(layout.height));
}

// The pane keeps at least a third of its size: below that a screen is no use for the program.
int Shrink(int& size, int excess) {
    const int taken = std::clamp(excess, 0, size - size / 3);
    size -= taken;
    return taken;
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

    geometry.client = QSize(units.X(CLIENT_WIDTH_DLU), units.Y(CLIENT_HEIGHT_DLU));
    geometry.pane = Place(PANE_LAYOUT, units);
    geometry.banner = Place(BANNER_LAYOUT, units);
    geometry.button = Place(PROCESS_LAYOUT, units);

    // Too little room: the pane gives up what the screen lacks, the button moves up with its
    // bottom edge, and whatever still doesn't fit is cut at the window's edge.
    int paneWidth = geometry.pane.width(), paneHeight = geometry.pane.height();
    const int narrower = Shrink(paneWidth, geometry.client.width() - room.width());
    const int shorter = Shrink(paneHeight, geometry.client.height() - room.height());
    geometry.pane.setSize(QSize(paneWidth, paneHeight));
    geometry.client -= QSize(narrower, shorter);
    geometry.button.translate(0, -shorter);
    if (geometry.button.right() >= geometry.client.width())
        geometry.button.moveLeft(std::max(0, geometry.client.width() - geometry.button.width()));
    geometry.banner.setWidth(
        std::min(geometry.banner.width(), geometry.client.width() - geometry.banner.x()));
    return geometry;
}

}  // namespace cartovex
