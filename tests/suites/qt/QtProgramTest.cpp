// The whole program in the Qt window, used as a person uses it: start-up, an image opened through
// the real open dialog, the keyboard. Run on the offscreen platform with the rest of the suite and
// again under Xvfb at 96, 120 and 144 DPI (tests/suites/qt/CMakeLists.txt), where
// CARTOVEX_SCREENSHOT_DIR asks for a picture of the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "app/CommandHandler.h"
#include "platform/Clock.h"
#include "platform/posix/PosixFiles.h"
#include "platform/qt/PaneView.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtWindow.h"
#include "state/MenuModel.h"
#include "state/Program.h"
#include "testkit/DemoCollection.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

/// Answers the next file dialog: selects `path` and confirms, or cancels when it is empty.
void AnswerNextDialog(const std::string& path) {
    QTimer::singleShot(0, [path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no file dialog is open";
            return;
        }
        if (path.empty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog checks the choice first
    });
}

/// What a window manager does once a dialog has closed: the main window is active again. The
/// window system says so only after the command has ended, when the event loop runs.
void ActivateAgain(QtWindow& window) {
    // The window manager may take the focus away once more after it said yes, as the last test's
    // window goes or a dialog closes: ask again until the window has held it for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (window.isActiveWindow()) {
            QTest::qWait(150);
            if (window.isActiveWindow()) break;
        }
        window.raise();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        (void)QTest::qWaitForWindowActive(&window, 500);  // the loop checks for itself
    }
    EXPECT_TRUE(window.isActiveWindow());
}

// Real files that can call back before each read: the program's state between two steps of a long
// command is seen from there.
class WatchedFiles : public PosixFiles {
public:
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override {
        if (beforeRead) beforeRead();
        return PosixFiles::ReadAt(path, offset, out);
    }
    std::function<void()> beforeRead;
};

// The program in a start folder holding the demo collection and its reference files; it never
// reaches the network.
class QtProgram : public ::testing::Test {
protected:
    QtProgram() {
        std::filesystem::current_path(start.Path());
        demo = testkit::WriteDemoCollection(files, start.Path());
        program = std::make_unique<Program>(Platform{files, window, dialogs, process, network, clock});
        handler = std::make_unique<CommandHandler>(*program);
        window.SetTitle("Cartovex " + program->versionText);
        window.SetHandler({
            [this] { handler->Initialise(); },
            [this](bool active) { handler->Activate(active); },
            [this](int id, int notification) { handler->Command(id, notification); },
        });
    }

    /// Runs the window as main() does; `steps` run once it is shown and active, then the close box
    /// ends it.
    void RunWindow(const std::function<void()>& steps) {
        QTimer::singleShot(0, &window, [&] {
            ActivateAgain(window);
            steps();
            window.close();
        });
        window.Run();
    }

    /// The command behind a menu item, as a click on it.
    void Choose(int commandId) { window.MenuAction(commandId)->trigger(); }

    /// Browse for images..., the known demo disc chosen in the open dialog.
    void OpenKnownDisc() {
        AnswerNextDialog(start / "collection/Star Quest/Star Quest.iso");
        Choose(CMD_BROWSE_IMAGES);
        ActivateAgain(window);
    }

    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder start, home;
    WatchedFiles files;
    std::optional<testkit::DemoCollection> demo;
    QtWindow window;
    QtDialogs dialogs{window, DialogFolders(start / "data", home.Path())};
    testkit::NoProcess process;
    testkit::NoNetwork network;
    FixedClock clock{{2026, 3, 5, 9, 4, 1}};
    std::unique_ptr<Program> program;
    std::unique_ptr<CommandHandler> handler;
};

void SavePicture(QtWindow& window, const QPixmap& picture, const QString& name) {
    const QByteArray folder = qgetenv("CARTOVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    const int dpi = qRound(window.screen()->logicalDotsPerInch());
    const QString path =
        QString::fromLocal8Bit(folder) + QStringLiteral("/cartovex-qt-%1%2dpi.png").arg(name).arg(dpi);
    EXPECT_TRUE(picture.save(path, "PNG")) << path.toStdString();
}

void SaveScreenshot(QtWindow& window) {
    SavePicture(window, window.grab(), QString());
}

/// What the X server shows of a widget, read back from the screen itself.
QImage OnScreen(const QWidget& widget) {
    const QPoint at = widget.mapToGlobal(QPoint(0, 0));
    return widget.screen()->grabWindow(0, at.x(), at.y(), widget.width(), widget.height()).toImage();
}

/// The share of pixels that differ clearly between two pictures of one size.
double Differing(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                    std::abs(qBlue(p) - qBlue(q)) >
                60)
                ++differing;
        }
    return double(differing) / (double(x.width()) * x.height());
}

TEST_F(QtProgram, TheAboutTextAndAnAnalysisShowEveryLineWhole) {
    ASSERT_TRUE(demo.has_value());
    RunWindow([&] {
        OpenKnownDisc();

        PaneView* pane = window.Pane();
        int widest = 0;
        bool rule = false;
        for (int line = 0; line < pane->LineCount(); ++line) {
            widest = std::max(widest, int(pane->Line(line).size()));
            rule = rule || pane->Line(line) == QString(75, '-');
        }
        EXPECT_TRUE(rule) << "the About text and the field block have their 75-dash rules";

        const DialogBaseUnits& units = window.Geometry().units;
        const bool screenHasRoom =
            window.Geometry().client == QSize(units.X(CLIENT_WIDTH_DLU), units.Y(CLIENT_HEIGHT_DLU));
        // Where the screen is too narrow, the pane scrolls sideways to every line's end.
        const int hidden =
            pane->ColumnsInView() >= widest ? 0 : pane->ContentWidth() - pane->viewport()->width();
        EXPECT_EQ(pane->horizontalScrollBar()->maximum(), hidden);
        if (screenHasRoom) {
            EXPECT_GE(pane->ColumnsInView(), PANE_COLUMNS);
            EXPECT_EQ(hidden, 0);
            for (int id : {ID_BANNER, ID_PROCESS_BUTTON}) {
                const QWidget* control = window.Control(id);
                EXPECT_GE(control->width(), control->sizeHint().width()) << id;
                EXPECT_GE(control->height(), control->sizeHint().height()) << id;
            }
        } else {
            EXPECT_LE(window.width(), window.screen()->availableGeometry().width());
            EXPECT_LE(window.height(), window.screen()->availableGeometry().height());
        }
        SaveScreenshot(window);
    });
}

TEST_F(QtProgram, AfterAKnownDiscProcessHasTheFocusAndEnterPressesIt) {
    ASSERT_TRUE(demo.has_value());
    RunWindow([&] {
        OpenKnownDisc();
        EXPECT_TRUE(window.IsControlEnabled(ID_PROCESS_BUTTON));
        EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
        EXPECT_EQ(QApplication::focusWidget(), window.Control(ID_PROCESS_BUTTON));

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        PaneView* pane = window.Pane();
        EXPECT_EQ(pane->Line(pane->LineCount() - 1).toStdString(), "Process done.");
        // Its lines took the focus to the pane on their way; it is back on PROCESS, Tab goes on.
        EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);
    });
}

// The window on a real X display with a window manager, given keys through the X server.
class QtProgramOnScreen : public QtProgram {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (the suite runs again under Xvfb)";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "needs xdotool";
    }
    static void Key(const char* keys) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {"key", keys}), 0) << keys;
    }
    /// Waits, while the event loop runs, for `done`; false after two seconds without it.
    static bool Eventually(const std::function<bool()>& done) {
        QElapsedTimer waited;
        waited.start();
        while (!done()) {
            if (waited.hasExpired(2000)) return false;
            QTest::qWait(20);
        }
        return true;
    }
    void CloseMenus() {
        for (int i = 0; i < 3 && QApplication::activePopupWidget(); ++i) Key("Escape");
        Eventually([] { return QApplication::activePopupWidget() == nullptr; });
    }
};

TEST_F(QtProgramOnScreen, TheMenusAnswerF10AloneAltAndMnemonics) {
    RunWindow([&] {
        ASSERT_EQ(window.MenuItemState(CMD_TOGGLE_GENERATE_LOG), MENU_CHECKED);
        // F10 opens File; Right goes on to Toggle, on its first item; Enter turns it off.
        Key("F10");
        ASSERT_TRUE(Eventually([] { return QApplication::activePopupWidget() != nullptr; })) << "F10";
        Key("Right");
        ASSERT_TRUE(Eventually([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->activeAction() == window.MenuAction(CMD_TOGGLE_GENERATE_LOG);
        })) << "Right opens Toggle on Generate log";
        Key("Return");
        EXPECT_TRUE(
            Eventually([&] { return window.MenuItemState(CMD_TOGGLE_GENERATE_LOG) == MENU_ENABLED; }));
        CloseMenus();

        // Alt+T opens Toggle itself.
        Key("alt+t");
        EXPECT_TRUE(Eventually([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->actions().contains(window.MenuAction(CMD_TOGGLE_FIX_CUE));
        })) << "Alt+T";
        CloseMenus();

        // A lone Alt puts the bar in keyboard mode on File; Down opens it.
        Key("alt");
        EXPECT_TRUE(Eventually([&] {
            return window.menuBar()->activeAction() == window.menuBar()->actions().value(0);
        })) << "a lone Alt";
        Key("Down");
        EXPECT_TRUE(Eventually([&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            return menu && menu->actions().contains(window.MenuAction(CMD_EXIT));
        })) << "Down after Alt opens File";
        CloseMenus();
        Key("Escape");
    });
}

TEST_F(QtProgramOnScreen, TheWindowsFrameLiesInsideTheScreen) {
    RunWindow([&] {
        const QRect room = window.screen()->availableGeometry();
        // The window manager frames the window a moment after it appears.
        EXPECT_TRUE(Eventually([&] { return room.contains(window.frameGeometry()); }))
            << "frame " << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " on "
            << room.width() << "x" << room.height();
        QWidget* button = window.Control(ID_PROCESS_BUTTON);
        EXPECT_TRUE(room.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
        // Where it had to shrink, the pane gave the room up; it grows back as the window is made larger.
        if (window.size() != window.Geometry().natural) {
            const int lines = window.Pane()->LinesInView();
            window.resize(window.size() + QSize(0, -100));
            EXPECT_TRUE(Eventually([&] { return window.Pane()->LinesInView() < lines; }));
        }
        SavePicture(window, window.grab(), QStringLiteral("fitted-"));
    });
}

TEST_F(QtProgramOnScreen, FocusIsDrawnOnProcessAfterAnAnalysisAndOnThePaneAfterTab) {
    ASSERT_TRUE(demo.has_value());
    RunWindow([&] {
        OpenKnownDisc();
        ASSERT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
        QWidget* button = window.Control(ID_PROCESS_BUTTON);
        PaneView* pane = window.Pane();
        ActivateAgain(window);
        ASSERT_TRUE(Eventually([&] { return window.isActiveWindow(); }));
        QTest::qWait(100);
        // Whichever control has the focus is drawn otherwise than without it, from the start.
        const QImage focusedButton = button->grab().toImage(), plainPane = pane->grab().toImage();
        Key("Tab");
        ASSERT_TRUE(Eventually([&] { return window.FocusedControl() == ID_OUTPUT_PANE; }));
        QTest::qWait(100);
        EXPECT_GT(Differing(focusedButton, button->grab().toImage()), 0.01) << "PROCESS shows its focus";
        EXPECT_GT(Differing(plainPane, pane->grab().toImage()), 0.001) << "the pane shows its focus frame";
        SavePicture(window, window.grab(), QStringLiteral("pane-focus-"));
    });
}

TEST_F(QtProgramOnScreen, AMassRunRepaintsTheWholeWindowOverTheClosedFolderBrowser) {
    ASSERT_TRUE(demo.has_value());
    RunWindow([&] {
        QImage shown, rendered;
        int reads = 0;
        files.beforeRead = [&] {
            ++reads;
            // The dialog has closed: a look at the screen hands its unmapping to the X server, and
            // the window manager takes its frame away meanwhile.
            if (reads == 1) {
                OnScreen(window);
                QThread::msleep(400);
            }
            // Some lines later the throttle has painted the window once more.
            if (reads == 6) {
                shown = OnScreen(window);
                rendered = window.grab().toImage();
            }
        };
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no folder browser is open";
                return;
            }
            QTest::qWait(300);  // on screen, over the window
            dialog->selectFile(QString::fromStdString(start / "collection"));
            static_cast<QDialog*>(dialog)->accept();
        });
        Choose(CMD_MASS_PROCESSING);
        files.beforeRead = nullptr;
        ASSERT_GE(reads, 6) << "the run read too few files to be seen during it";
        ASSERT_FALSE(shown.isNull());
        EXPECT_LT(Differing(shown, rendered), 0.02) << "the screen shows what the window draws";
        SavePicture(window, QPixmap::fromImage(shown), QStringLiteral("mass-run-"));
    });
}

}  // namespace
}  // namespace cartovex
