#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

#include "app/MenuModel.h"
#include "platform/qt/QtWindow.h"

namespace cartovex {
namespace {

using Commands = std::vector<std::pair<int, int>>;

// A window whose handler only records what reaches it; Exit ends the run, as the real handler does
// after saving.
struct RecordingWindow {
    RecordingWindow() {
        window.SetTitle("Cartovex v3.55");
        window.SetHandler({
            [this] { initialisedWhileHidden = !window.isVisible(); },
            [this](bool active) { activations.push_back(active); },
            [this](int id, int notification) {
                commands.emplace_back(id, notification);
                if (id == CMD_EXIT) window.EndModal(0);
            },
        });
    }

    void ShowActive() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        ASSERT_EQ(QApplication::activeWindow(), &window);
    }

    QtWindow window;
    Commands commands;
    std::vector<bool> activations;
    bool initialisedWhileHidden = false;
};

std::vector<QString> Labels(const QMenu* menu) {
    std::vector<QString> labels;
    for (const QAction* action : menu->actions())
        labels.push_back(action->isSeparator() ? "-" : action->text());
    return labels;
}

TEST(QtWindow, DialogUnitsRoundToTheNearestPixel) {
    const DialogBaseUnits units{7, 13};
    EXPECT_EQ(units.X(350), 613);  // 612.5
    EXPECT_EQ(units.X(5), 9);      // 8.75
    EXPECT_EQ(units.Y(310), 504);  // 503.75
    EXPECT_EQ(units.Y(5), 8);      // 8.125
}

TEST(QtWindow, FixedSizeWindowWithControlsAtTheirDialogUnits) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    const DialogBaseUnits& units = window.BaseUnits();
    ASSERT_GT(units.averageCharWidth, 0);

    EXPECT_EQ(window.windowTitle(), "Cartovex v3.55");
    const QSize outer(units.X(350), units.Y(310));
    EXPECT_EQ(window.minimumSize(), outer);
    EXPECT_EQ(window.maximumSize(), outer);
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);

    window.show();
    // The menu bar takes its height from the client area; the outer size stays.
    EXPECT_EQ(window.size(), outer);
    EXPECT_EQ(window.Client()->height(), outer.height() - window.menuBar()->height());
    EXPECT_EQ(window.Client()->y(), window.menuBar()->height());

    for (const ControlLayout& layout : {PANE_LAYOUT, BANNER_LAYOUT, PROCESS_LAYOUT}) {
        SCOPED_TRACE(layout.id);
        const QWidget* control = window.Control(layout.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), window.Client());
        EXPECT_EQ(control->geometry(),
                  QRect(units.X(layout.x), units.Y(layout.y), units.X(layout.width), units.Y(layout.height)));
        EXPECT_TRUE(QFontInfo(control->font()).fixedPitch());
    }
}

TEST(QtWindow, ControlsStartAsTheProgramExpects) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    EXPECT_TRUE(window.IsControlEnabled(ID_OUTPUT_PANE));

    auto* banner = qobject_cast<QLabel*>(window.Control(ID_BANNER));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->text().split('\n').size(), 6);
    EXPECT_EQ(banner->textFormat(), Qt::PlainText);

    auto* button = qobject_cast<QPushButton*>(window.Control(ID_PROCESS_BUTTON));
    ASSERT_NE(button, nullptr);
    const QStringList caption = button->text().split('\n');
    ASSERT_EQ(caption.size(), 3);
    EXPECT_EQ(caption[1], "||_// ||_// ((   )) ((    .||==   ((   (( ");
    EXPECT_EQ(caption[2].count('\\'), 8);
    EXPECT_FALSE(button->focusPolicy() & Qt::TabFocus);

    QPlainTextEdit* pane = window.Pane();
    EXPECT_TRUE(pane->isReadOnly());
    EXPECT_FALSE(pane->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(pane->palette().color(QPalette::Text), Qt::white);
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST(QtWindow, MenuBarHoldsTheCommandTree) {
    RecordingWindow fixture;
    const QList<QAction*> bar = fixture.window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), "File");
    EXPECT_EQ(bar[1]->text(), "Toggle");
    EXPECT_EQ(bar[2]->text(), "About");
    EXPECT_EQ(bar[2]->menu(), nullptr);  // a command on the bar itself
    EXPECT_EQ(fixture.window.MenuAction(CMD_ABOUT), bar[2]);

    const std::vector<QString> file = Labels(bar[0]->menu());
    const std::vector<QString> expectedFile = {"Browse for images...\tCtrl+B",
                                               "Scan missing...\tCtrl+S",
                                               "Mass processing...\tCtrl+M",
                                               "Convert Region",
                                               "-",
                                               "View MISS list",
                                               "View HAVE list",
                                               "-",
                                               "Exit\tCtrl+X"};
    EXPECT_EQ(file, expectedFile);
    const QMenu* region = bar[0]->menu()->actions()[3]->menu();
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Labels(region), (std::vector<QString>{"To Europe", "To Japan", "To USA"}));
    EXPECT_EQ(Labels(bar[1]->menu()), (std::vector<QString>{"Generate log", "Generate .CUE", "Rename folder",
                                                            "Fix BIN/CUE sheet", "Rename with underscore"}));
}

TEST(QtWindow, MenuStatesStartFromTheTableAndMapBothWays) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    const std::vector<std::pair<int, int>> initial = {
        {CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED},
        {CMD_TOGGLE_GENERATE_CUE, MENU_CHECKED},
        {CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED},
        {CMD_TOGGLE_FIX_CUE, MENU_ENABLED},
        {CMD_TOGGLE_UNDERSCORE, MENU_CHECKED},
        {CMD_TO_EUROPE, MENU_DISABLED},
        {CMD_TO_JAPAN, MENU_DISABLED},
        {CMD_TO_USA, MENU_DISABLED},
        {CMD_BROWSE_IMAGES, MENU_ENABLED},
        {CMD_EXIT, MENU_ENABLED},
    };
    for (auto [id, state] : initial) {
        SCOPED_TRACE(id);
        EXPECT_EQ(window.MenuItemState(id), state);
        EXPECT_EQ(window.MenuAction(id)->isChecked(), state == MENU_CHECKED);
        EXPECT_EQ(window.MenuAction(id)->isEnabled(), state != MENU_DISABLED);
    }
    EXPECT_EQ(window.MenuItemState(CMD_PROCESS), -1);  // a button, not a menu item

    QAction* fix = window.MenuAction(CMD_TOGGLE_FIX_CUE);
    window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, MENU_CHECKED);
    EXPECT_TRUE(fix->isChecked());
    window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, MENU_CHECKED | MENU_DISABLED);
    EXPECT_TRUE(fix->isChecked());
    EXPECT_FALSE(fix->isEnabled());
    EXPECT_EQ(window.MenuItemState(CMD_TOGGLE_FIX_CUE), MENU_CHECKED | MENU_DISABLED);
    window.SetMenuItemState(CMD_TOGGLE_FIX_CUE, MENU_ENABLED);
    EXPECT_FALSE(fix->isChecked());
    EXPECT_FALSE(fix->isCheckable());  // an unchecked item shows no empty box
    EXPECT_TRUE(fix->isEnabled());

    window.SetMenuItemState(CMD_TO_JAPAN, MENU_ENABLED);
    EXPECT_TRUE(window.MenuAction(CMD_TO_JAPAN)->isEnabled());
}

TEST(QtWindow, ChoosingAnItemSendsItsCommandAndLeavesTheCheckMarkToTheHandler) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    window.MenuAction(CMD_TOGGLE_GENERATE_LOG)->trigger();
    window.MenuAction(CMD_TOGGLE_FIX_CUE)->trigger();
    window.MenuAction(CMD_ABOUT)->trigger();
    EXPECT_EQ(fixture.commands,
              (Commands{{CMD_TOGGLE_GENERATE_LOG, 0}, {CMD_TOGGLE_FIX_CUE, 0}, {CMD_ABOUT, 0}}));
    EXPECT_EQ(window.MenuItemState(CMD_TOGGLE_GENERATE_LOG), MENU_CHECKED);
    EXPECT_EQ(window.MenuItemState(CMD_TOGGLE_FIX_CUE), MENU_ENABLED);
}

TEST(QtWindow, AcceleratorsSendTheirCommandsAndEscapeDoesNothing) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    window.Pane()->setFocus();
    for (Qt::Key key : {Qt::Key_B, Qt::Key_S, Qt::Key_M}) QTest::keyClick(&window, key, Qt::ControlModifier);
    QTest::keyClick(window.Pane(), Qt::Key_Escape);
    QTest::keyClick(window.Pane(), Qt::Key_B);                       // no Ctrl: nothing
    QTest::keyClick(window.Pane(), Qt::Key_X, Qt::ControlModifier);  // the pane doesn't take it as Cut
    EXPECT_EQ(
        fixture.commands,
        (Commands{{CMD_BROWSE_IMAGES, 0}, {CMD_SCAN_MISSING, 0}, {CMD_MASS_PROCESSING, 0}, {CMD_EXIT, 0}}));
}

TEST(QtWindow, EscapeDoesNotEndTheRun) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    bool runningAfterEscape = false;
    QTimer::singleShot(0, &window, [&] {
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCoreApplication::processEvents();
        runningAfterEscape = window.Running() && window.isVisible();
        window.close();
    });
    EXPECT_EQ(window.Run(), 0);
    EXPECT_TRUE(runningAfterEscape);
    EXPECT_TRUE(fixture.commands.empty());
}

TEST(QtWindow, CloseBoxEndsTheRunWithoutACommand) {
    RecordingWindow fixture;
    QTimer::singleShot(0, &fixture.window, [&] { fixture.window.close(); });
    EXPECT_EQ(fixture.window.Run(), 0);
    EXPECT_TRUE(fixture.initialisedWhileHidden);
    EXPECT_TRUE(fixture.commands.empty());
    EXPECT_FALSE(fixture.window.isVisible());
}

TEST(QtWindow, ExitEndsTheRunThroughTheHandler) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    window.SetHandler({{}, {}, [&](int id, int notification) {
                           fixture.commands.emplace_back(id, notification);
                           if (id == CMD_EXIT) window.EndModal(7);
                       }});
    QTimer::singleShot(0, &window, [&] {
        QApplication::setActiveWindow(&window);
        QTest::keyClick(&window, Qt::Key_X, Qt::ControlModifier);
    });
    EXPECT_EQ(window.Run(), 7);
    EXPECT_EQ(fixture.commands, (Commands{{CMD_EXIT, 0}}));
    EXPECT_FALSE(window.isVisible());
}

TEST(QtWindow, ProcessButtonSendsItsCommandOnceEnabled) {
    RecordingWindow fixture;
    fixture.ShowActive();
    auto* button = qobject_cast<QPushButton*>(fixture.window.Control(ID_PROCESS_BUTTON));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(fixture.commands.empty());
    fixture.window.EnableControl(ID_PROCESS_BUTTON, true);
    EXPECT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(fixture.commands, (Commands{{CMD_PROCESS, 0}}));
}

TEST(QtWindow, FocusIsReportedWhileInactiveAndRestoredOnActivation) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    // The save-and-restore rule, over the window interface only.
    int saved = 0;
    window.SetHandler({{},
                       [&](bool active) {
                           if (!active)
                               saved = window.FocusedControl();
                           else if (saved) {
                               window.FocusControl(saved);
                               saved = 0;
                           }
                       },
                       {}});
    window.EnableControl(ID_PROCESS_BUTTON, true);
    fixture.ShowActive();
    window.FocusControl(ID_PROCESS_BUTTON);
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    EXPECT_EQ(saved, ID_PROCESS_BUTTON);
    window.FocusControl(ID_OUTPUT_PANE);  // e.g. an append while another window is in front
    EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);

    QApplication::setActiveWindow(&window);
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
    EXPECT_EQ(QApplication::focusWidget(), window.Control(ID_PROCESS_BUTTON));
}

TEST(QtWindow, AppendsAddLinesAfterCrLf) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    EXPECT_EQ(window.PaneLineCount(), 1);  // an empty control still has its one line
    window.AppendPaneText("\r\nabc");
    EXPECT_EQ(window.Pane()->toPlainText(), "\nabc");
    EXPECT_EQ(window.PaneLineCount(), 2);
    window.AppendPaneText("\r\n");
    window.AppendPaneText("\r\nfirst\r\nsecond");
    EXPECT_EQ(window.Pane()->toPlainText(), "\nabc\n\nfirst\nsecond");
    EXPECT_EQ(window.PaneLineCount(), 5);

    window.SetPaneText("\r\nx");
    EXPECT_EQ(window.Pane()->toPlainText(), "\nx");
    EXPECT_EQ(window.PaneLineCount(), 2);
}

TEST(QtWindow, LineCountIncludesWrappedLines) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    const std::string longLine(300, 'x');
    window.AppendPaneText("\r\n" + longLine);
    const QTextBlock block = window.Pane()->document()->lastBlock();
    ASSERT_GT(block.layout()->lineCount(), 0);
    const int perLine = block.layout()->lineAt(0).textLength();
    ASSERT_GT(perLine, 40);  // the pane is about 75 characters wide
    ASSERT_LT(perLine, 300);
    EXPECT_EQ(window.PaneLineCount(), 1 + (300 + perLine - 1) / perLine);

    // Counting append by append gives what a count of the whole text gives, shown or not.
    std::string whole = "\r\n" + longLine;
    for (int i = 0; i < 40; ++i) {
        const std::string added =
            "\r\nline " + std::to_string(i) + " " + std::string(i * 7, i % 2 ? 'a' : ' ') + "end";
        window.AppendPaneText(added);
        whole += added;
        if (i == 20) window.show();
    }
    const int counted = window.PaneLineCount();
    window.SetPaneText(whole);
    EXPECT_EQ(window.PaneLineCount(), counted);
    EXPECT_GT(counted, 41 + 3);
}

TEST(QtWindow, ScrollingKeepsTheLastLineInView) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    fixture.ShowActive();
    for (int i = 0; i < 200; ++i) {
        window.AppendPaneText("\r\nline " + std::to_string(i));
        window.ScrollPane(window.PaneLineCount());
    }
    QCoreApplication::processEvents();
    QPlainTextEdit* pane = window.Pane();
    EXPECT_EQ(pane->verticalScrollBar()->value(), pane->verticalScrollBar()->maximum());
    EXPECT_GT(pane->verticalScrollBar()->maximum(), 0);
    QTextCursor end(pane->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(pane->viewport()->rect().contains(pane->cursorRect(end)));
}

TEST(QtWindow, DisplayTextTurnsCrLfIntoLineBreaksAndKeepsForeignBytes) {
    EXPECT_EQ(ToDisplayText("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(ToDisplayText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(ToDisplayText("caf\xe9"), QString::fromLatin1("caf\xe9"));
}

}  // namespace
}  // namespace cartovex
