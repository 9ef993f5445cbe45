// The whole program in the Qt window, used as a person uses it: start-up, an image opened through
// the real open dialog, the keyboard. Run on the offscreen platform with the rest of the suite and
// again under Xvfb at 96, 120 and 144 DPI (tests/suites/qt/CMakeLists.txt), where
// CARTOVEX_SCREENSHOT_DIR asks for a picture of the window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>

#include "app/CommandHandler.h"
#include "app/MenuModel.h"
#include "app/Program.h"
#include "platform/Clock.h"
#include "platform/posix/PosixFiles.h"
#include "platform/qt/PaneView.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtWindow.h"
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
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::qWait(50);
}

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
    PosixFiles files;
    std::optional<testkit::DemoCollection> demo;
    QtWindow window;
    QtDialogs dialogs{window, DialogFolders(start / "data", home.Path())};
    testkit::NoProcess process;
    testkit::NoNetwork network;
    FixedClock clock{{2026, 3, 5, 9, 4, 1}};
    std::unique_ptr<Program> program;
    std::unique_ptr<CommandHandler> handler;
};

void SaveScreenshot(QtWindow& window) {
    const QByteArray folder = qgetenv("CARTOVEX_SCREENSHOT_DIR");
    if (folder.isEmpty()) return;
    const int dpi = qRound(window.screen()->logicalDotsPerInch());
    const QString path = QString::fromLocal8Bit(folder) + QStringLiteral("/cartovex-qt-%1dpi.png").arg(dpi);
    EXPECT_TRUE(window.grab().save(path, "PNG")) << path.toStdString();
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
        // Its lines took the focus to the pane; Tab goes back to PROCESS.
        EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
    });
}

}  // namespace
}  // namespace cartovex
