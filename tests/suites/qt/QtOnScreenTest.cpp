// The window on a real X display (Xvfb), given input the way a user gives it: through the X server,
// with xdotool. Skipped on the offscreen platform, which has no input of its own.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <utility>
#include <vector>

#include "platform/qt/QtWindow.h"
#include "state/MenuModel.h"

namespace cartovex {
namespace {

using Commands = std::vector<std::pair<int, int>>;

class QtOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (the suite runs again under Xvfb)";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool";
        window.SetHandler({{}, {}, [this](int id, int notification) {
                               commands.emplace_back(id, notification);
                               if (busy) busy();
                           }});
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    /// Runs xdotool; it returns once the X server has the input, whether or not the program took it.
    static void Xdotool(const QStringList& arguments) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
            << arguments.join(' ').toStdString();
    }
    void ClickAbout() {
        QMenuBar* bar = window.menuBar();
        const QPoint about = bar->mapToGlobal(bar->actionGeometry(window.MenuAction(CMD_ABOUT)).center());
        Xdotool({"mousemove", QString::number(about.x()), QString::number(about.y()), "click", "1"});
    }
    void PressCtrlB() { Xdotool({"key", "ctrl+b"}); }

    /// Lets the event loop deliver whatever input there is, for a while.
    void Settle() {
        QElapsedTimer waited;
        waited.start();
        while (!waited.hasExpired(500)) QTest::qWait(20);
    }

    QtWindow window;
    Commands commands;
    std::function<void()> busy;
};

TEST_F(QtOnScreen, InputGivenDuringACommandIsDroppedWhenItEnds) {
    // Given to an idle window, the click and the key run their commands.
    ClickAbout();
    Settle();
    PressCtrlB();
    Settle();
    ASSERT_EQ(commands, (Commands{{CMD_ABOUT, 0}, {CMD_BROWSE_IMAGES, 0}}));

    commands.clear();
    busy = [this] {
        busy = nullptr;
        ClickAbout();
        PressCtrlB();
        // Long enough for the X server to hand the input over while the command still runs.
        QThread::msleep(300);
    };
    window.MenuAction(CMD_MASS_PROCESSING)->trigger();
    Settle();
    EXPECT_EQ(commands, (Commands{{CMD_MASS_PROCESSING, 0}}));
}

}  // namespace
}  // namespace cartovex
