#include <gtest/gtest.h>

#include <climits>

#include "platform/qt/WindowLayout.h"
#include "state/MenuModel.h"

namespace cartovex {
namespace {

const QSize AMPLE(INT_MAX / 2, INT_MAX / 2);

// The Terminal font at 96 DPI: 8 pixels wide on average, 12 high.
LayoutNeeds TerminalFont() {
    LayoutNeeds needs;
    needs.font = DialogBaseUnits{2, 1.5};
    return needs;
}

QRect InUnits(const ControlLayout& layout, const DialogBaseUnits& units) {
    return QRect(units.X(layout.x), units.Y(layout.y), units.X(layout.width), units.Y(layout.height));
}

TEST(WindowLayout, AFontWideEnoughKeepsTheDialogUnitsOfItsFont) {
    const WindowGeometry geometry = LayOutWindow(TerminalFont(), AMPLE);
    EXPECT_EQ(geometry.client, QSize(700, 465));
    EXPECT_EQ(geometry.pane, QRect(40, 90, 630, 285));
    EXPECT_EQ(geometry.banner, QRect(10, 8, 680, 75));
    EXPECT_EQ(geometry.button, QRect(160, 375, 400, 60));
}

// Whatever needs the most sets the unit; every control then scales with it, so the window keeps
// its proportions.
TEST(WindowLayout, UnitsGrowUntilEveryContentFits) {
    struct Case {
        const char* what;
        int paneWidth;
        QSize banner, button;
    };
    const Case cases[] = {
        {"80 columns of a wide font", 1000, {}, {}},
        {"a banner wider than its place", 0, {1200, 10}, {}},
        {"a banner taller than its place", 0, {10, 200}, {}},
        {"a caption wider than its button", 0, {}, {900, 10}},
        {"a caption taller than its button", 0, {}, {10, 150}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LayoutNeeds needs = TerminalFont();
        needs.paneWidth = c.paneWidth;
        needs.banner = c.banner;
        needs.button = c.button;
        const WindowGeometry geometry = LayOutWindow(needs, AMPLE);
        EXPECT_GE(geometry.pane.width(), c.paneWidth);
        EXPECT_GE(geometry.banner.width(), c.banner.width());
        EXPECT_GE(geometry.banner.height(), c.banner.height());
        EXPECT_GE(geometry.button.width(), c.button.width());
        EXPECT_GE(geometry.button.height(), c.button.height());
        EXPECT_GE(geometry.units.x, needs.font.x);
        EXPECT_GE(geometry.units.y, needs.font.y);
        EXPECT_EQ(geometry.pane, InUnits(PANE_LAYOUT, geometry.units));
        EXPECT_EQ(geometry.button, InUnits(PROCESS_LAYOUT, geometry.units));
        EXPECT_EQ(geometry.client,
                  QSize(geometry.units.X(CLIENT_WIDTH_DLU), geometry.units.Y(CLIENT_HEIGHT_DLU)));
    }
}

TEST(WindowLayout, ASmallScreenTakesItsRoomFromThePane) {
    LayoutNeeds needs = TerminalFont();
    needs.paneWidth = 1000;  // 80 columns at a high DPI
    const WindowGeometry ideal = LayOutWindow(needs, AMPLE);
    const QSize room(ideal.client.width() - 150, ideal.client.height() - 100);
    const WindowGeometry fitted = LayOutWindow(needs, room);

    EXPECT_EQ(fitted.client, room);
    EXPECT_EQ(fitted.pane, QRect(ideal.pane.topLeft(), ideal.pane.size() - QSize(150, 100)));
    // The button stays centred below the pane.
    EXPECT_EQ(fitted.button, ideal.button.translated(-75, -100));
    EXPECT_LE(fitted.banner.right(), room.width());
    EXPECT_LE(fitted.button.right(), room.width());
    EXPECT_LE(fitted.button.bottom(), room.height());
}

TEST(WindowLayout, OnATinyScreenThePaneKeepsAThirdAndTheButtonStaysWhole) {
    const WindowGeometry tiny = LayOutWindow(TerminalFont(), QSize(100, 100));
    // The button is 400 pixels wide and keeps its margins: the pane can't lose all it would.
    EXPECT_EQ(tiny.minimum, QSize(420, 465 - 190));
    EXPECT_EQ(tiny.client, tiny.minimum);
    EXPECT_EQ(tiny.pane.size(), QSize(630 - 280, 285 / 3));
    EXPECT_EQ(tiny.button.size(), QSize(400, 60));
    EXPECT_GE(tiny.button.left(), 0);
    EXPECT_LE(tiny.button.right(), tiny.client.width());
    EXPECT_LE(tiny.button.bottom(), tiny.client.height());
}

// A resized window: the pane takes the difference, the banner and the button keep their sizes and
// the button follows the pane's bottom edge, centred below it.
TEST(WindowLayout, ResizingGivesThePaneTheDifference) {
    LayoutNeeds needs = TerminalFont();
    needs.banner = QSize(600, 70);
    WindowGeometry geometry = LayOutWindow(needs, AMPLE);
    const WindowGeometry natural = geometry;
    ASSERT_EQ(geometry.client, geometry.natural);
    EXPECT_EQ(geometry.minimum, QSize(620, 465 - 190));  // the banner's art with its margins

    const struct {
        QSize client;
        QSize paneGain;
    } cases[] = {
        {{900, 700}, {200, 235}},   // larger
        {{650, 400}, {-50, -65}},   // smaller
        {{620, 275}, {-80, -190}},  // the minimum
        {{700, 465}, {0, 0}},       // back to the natural size
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.client.width());
        ArrangeControls(geometry, c.client);
        EXPECT_EQ(geometry.pane, QRect(natural.pane.topLeft(), natural.pane.size() + c.paneGain));
        EXPECT_EQ(geometry.banner.topLeft(), natural.banner.topLeft());
        EXPECT_GE(geometry.banner.width(), needs.banner.width()) << "the art shows whole";
        EXPECT_LE(geometry.banner.right(), c.client.width());
        EXPECT_EQ(geometry.button, natural.button.translated(c.paneGain.width() / 2, c.paneGain.height()));
        EXPECT_EQ(c.client.height() - geometry.button.bottom(),
                  natural.client.height() - natural.button.bottom());
    }
}

}  // namespace
}  // namespace cartovex
