#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/PaneView.h"
#include "platform/qt/QtWindow.h"
#include "state/MenuModel.h"

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

// The labels as they read, without the mnemonic markers.
std::vector<QString> Labels(const QMenu* menu) {
    std::vector<QString> labels;
    for (const QAction* action : menu->actions())
        labels.push_back(action->isSeparator()
                             ? "-"
                             : QString::fromStdString(PlainMenuLabel(action->text().toStdString())));
    return labels;
}

TEST(QtWindow, DialogUnitsRoundToTheNearestPixel) {
    const DialogBaseUnits units{7 / 4.0, 13 / 8.0};  // a font 7 pixels wide on average, 13 high
    EXPECT_EQ(units.X(350), 613);                    // 612.5
    EXPECT_EQ(units.X(5), 9);                        // 8.75
    EXPECT_EQ(units.Y(310), 504);                    // 503.75
    EXPECT_EQ(units.Y(5), 8);                        // 8.125
}

TEST(QtWindow, ResizableWindowWithControlsWhereTheLayoutPutsThem) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    const WindowGeometry& geometry = window.Geometry();
    ASSERT_GT(geometry.units.x, 0);

    EXPECT_EQ(window.windowTitle(), "Cartovex v3.55");
    EXPECT_EQ(window.minimumSize(), geometry.minimum);
    EXPECT_GT(window.maximumSize().width(), geometry.client.width());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);

    window.show();
    // The menu bar takes its height from the client area; the outer size stays.
    EXPECT_EQ(window.size(), geometry.client);
    EXPECT_EQ(window.Client()->height(), geometry.client.height() - window.menuBar()->height());
    EXPECT_EQ(window.Client()->y(), window.menuBar()->height());

    const std::pair<int, QRect> places[] = {
        {ID_OUTPUT_PANE, geometry.pane}, {ID_BANNER, geometry.banner}, {ID_PROCESS_BUTTON, geometry.button}};
    for (const auto& [id, place] : places) {
        SCOPED_TRACE(id);
        const QWidget* control = window.Control(id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget(), window.Client());
        EXPECT_EQ(control->geometry(), place);
        EXPECT_TRUE(QFontInfo(control->font()).fixedPitch());
    }
    // Only the pane gives way to a small screen; the banner and the button keep their sizes.
    const DialogBaseUnits& units = geometry.units;
    EXPECT_EQ(geometry.banner.topLeft(), QPoint(units.X(BANNER_LAYOUT.x), units.Y(BANNER_LAYOUT.y)));
    EXPECT_EQ(geometry.button.size(), QSize(units.X(PROCESS_LAYOUT.width), units.Y(PROCESS_LAYOUT.height)));
    EXPECT_LE(geometry.button.bottom(), geometry.client.height());

    // Resized, the pane takes the difference and the button follows its bottom edge.
    const QSize larger = geometry.client + QSize(120, 90);
    const QRect pane = window.Pane()->geometry(), button = window.Control(ID_PROCESS_BUTTON)->geometry();
    window.resize(larger);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.size(), larger);
    EXPECT_EQ(window.Pane()->geometry(), QRect(pane.topLeft(), pane.size() + QSize(120, 90)));
    EXPECT_EQ(window.Control(ID_PROCESS_BUTTON)->geometry(), button.translated(60, 90));
    EXPECT_EQ(window.Control(ID_BANNER)->geometry(), geometry.banner);
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
    EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus);

    PaneView* pane = window.Pane();
    EXPECT_TRUE(pane->focusPolicy() & Qt::TabFocus);
    EXPECT_EQ(pane->palette().color(QPalette::Text), Qt::white);
    EXPECT_EQ(pane->palette().color(QPalette::Base), Qt::black);
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST(QtWindow, MenuBarHoldsTheCommandTree) {
    RecordingWindow fixture;
    const QList<QAction*> bar = fixture.window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), "&File");
    EXPECT_EQ(bar[1]->text(), "&Toggle");
    EXPECT_EQ(bar[2]->text(), "&About");
    EXPECT_EQ(bar[2]->menu(), nullptr);  // a command on the bar itself
    EXPECT_EQ(fixture.window.MenuAction(CMD_ABOUT), bar[2]);

    // Commands that join the File menu go next to Mass processing; the rest stays in order.
    std::vector<QString> file = Labels(bar[0]->menu());
    std::erase_if(file, [](const QString& label) {
        return label.startsWith("Verify against DAT") || label.startsWith("Undo last");
    });
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
    const QMenu* region = nullptr;
    for (const QAction* action : bar[0]->menu()->actions())
        if (action->menu()) region = action->menu();
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Labels(region), (std::vector<QString>{"To Europe", "To Japan", "To USA"}));
    EXPECT_EQ(Labels(bar[1]->menu()), (std::vector<QString>{"Generate log", "Generate .CUE", "Rename folder",
                                                            "Fix BIN/CUE sheet", "Rename with underscore"}));
}

// The mnemonic reaches its menu and its item from the keyboard alone: Alt+T opens Toggle, L there
// chooses "Generate log"; Alt+A runs About from the bar itself.
TEST(QtWindow, MnemonicsOpenMenusAndChooseItems) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    window.Pane()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    auto* toggle = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle, window.MenuAction(CMD_TOGGLE_GENERATE_LOG)->associatedWidgets().value(0));
    QTest::keyClick(toggle, Qt::Key_L);
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    QApplication::setActiveWindow(&window);
    QTest::keyClick(window.Pane(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(fixture.commands, (Commands{{CMD_TOGGLE_GENERATE_LOG, 0}, {CMD_ABOUT, 0}}));
}

TEST(QtWindow, F10OpensTheFirstMenuForTheArrowKeys) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    window.Pane()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F10);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    EXPECT_EQ(window.menuBar()->activeAction(), window.menuBar()->actions().value(0));
    for (int i = 0; i < 3 && QApplication::activePopupWidget(); ++i)
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
    EXPECT_TRUE(fixture.commands.empty());
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
    EXPECT_EQ(window.Pane()->Text(), "\nabc");
    EXPECT_EQ(window.PaneLineCount(), 2);
    window.AppendPaneText("\r\n");
    window.AppendPaneText("\r\nfirst\r\nsecond");
    EXPECT_EQ(window.Pane()->Text(), "\nabc\n\nfirst\nsecond");
    EXPECT_EQ(window.PaneLineCount(), 5);

    window.SetPaneText("\r\nx");
    EXPECT_EQ(window.Pane()->Text(), "\nx");
    EXPECT_EQ(window.PaneLineCount(), 2);
}

TEST(QtWindow, LongLinesStayOneLineAndScrollSideways) {
    RecordingWindow fixture;
    QtWindow& window = fixture.window;
    const std::string longLine(300, 'x');
    window.AppendPaneText("\r\n" + longLine);
    window.ScrollPane(window.PaneLineCount());
    EXPECT_EQ(window.PaneLineCount(), 2);
    window.show();
    PaneView* pane = window.Pane();
    EXPECT_EQ(pane->Line(1).size(), 300);
    EXPECT_GT(pane->ContentWidth(), pane->viewport()->width());
    EXPECT_EQ(pane->horizontalScrollBar()->maximum(), pane->ContentWidth() - pane->viewport()->width());
    EXPECT_EQ(pane->horizontalScrollBar()->value(), 0);  // the new line is shown from its start

    // Counting append by append gives what a count of the whole text gives.
    std::string whole = "\r\n" + longLine;
    for (int i = 0; i < 40; ++i) {
        const std::string added = "\r\nline " + std::to_string(i) + (i % 3 ? "" : "\r\nsecond");
        window.AppendPaneText(added);
        whole += added;
    }
    const int counted = window.PaneLineCount();
    window.SetPaneText(whole);
    EXPECT_EQ(window.PaneLineCount(), counted);
    EXPECT_EQ(counted, 2 + 40 + 14);
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
    PaneView* pane = window.Pane();
    EXPECT_EQ(pane->verticalScrollBar()->value(), pane->verticalScrollBar()->maximum());
    EXPECT_GT(pane->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane->FirstLineInView() + pane->LinesInView(), pane->LineCount());
}

TEST(QtWindow, TabMovesBetweenThePaneAndProcessAndEnterOrSpacePressesIt) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    window.FocusControl(ID_OUTPUT_PANE);
    press(Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE) << "a disabled PROCESS is no stop";

    window.EnableControl(ID_PROCESS_BUTTON, true);
    press(Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) press(key);
    EXPECT_EQ(fixture.commands, (Commands{{CMD_PROCESS, 0}, {CMD_PROCESS, 0}, {CMD_PROCESS, 0}}));
    press(Qt::Key_Tab);
    EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
}

struct PaintCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
    int paints = 0;
};

TEST(QtWindow, ALongCommandRepaintsThePaneAtMostAbout30TimesASecond) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    PaintCounter counter;
    window.Pane()->viewport()->installEventFilter(&counter);
    int appended = 0, paintsDuring = 0;
    double seconds = 0;
    window.SetHandler({{}, {}, [&](int, int) {
                           const QElapsedTimer running = [] {
                               QElapsedTimer t;
                               t.start();
                               return t;
                           }();
                           while (!running.hasExpired(400)) {
                               window.AppendPaneText("\r\nline " + std::to_string(++appended));
                               window.ScrollPane(window.PaneLineCount());
                           }
                           paintsDuring = counter.paints;
                           seconds = running.elapsed() / 1000.0;
                       }});
    window.MenuAction(CMD_MASS_PROCESSING)->trigger();

    ASSERT_GT(appended, 1000);
    EXPECT_GE(paintsDuring, 2) << "the pane shows progress during the command";
    EXPECT_LE(paintsDuring, seconds * 30 + 3);
    // At its end the pane holds every line, the last one in view.
    PaneView* pane = window.Pane();
    EXPECT_EQ(pane->LineCount(), appended + 1);
    EXPECT_EQ(pane->Line(appended), QString("line %1").arg(appended));
    EXPECT_EQ(pane->verticalScrollBar()->value(), pane->verticalScrollBar()->maximum());
    EXPECT_GT(counter.paints, paintsDuring);
}

// Input Qt has queued for the window (posted here; the X server's input takes the same way in
// QtWindowOnScreen): Space on the focused PROCESS button, and a click on About in the menu bar.
void PressSpace(QtWindow& window) {
    QWidget* button = window.Control(ID_PROCESS_BUTTON);
    QCoreApplication::postEvent(button, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
    QCoreApplication::postEvent(button,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
}

void ClickAbout(QtWindow& window) {
    QMenuBar* bar = window.menuBar();
    const QPoint about = bar->actionGeometry(window.MenuAction(CMD_ABOUT)).center();
    QCoreApplication::postEvent(bar, new QMouseEvent(QEvent::MouseButtonPress, about, Qt::LeftButton,
                                                     Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(bar, new QMouseEvent(QEvent::MouseButtonRelease, about, Qt::LeftButton,
                                                     Qt::NoButton, Qt::NoModifier));
}

struct EventCounter : QObject {
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) ++received;
        return QObject::event(event);
    }
    int received = 0;
};

TEST(QtWindow, InputGivenDuringACommandIsDroppedWhenItEnds) {
    RecordingWindow fixture;
    fixture.ShowActive();
    QtWindow& window = fixture.window;
    window.EnableControl(ID_PROCESS_BUTTON, true);
    window.FocusControl(ID_PROCESS_BUTTON);

    // Given to an idle window, the same input runs its commands. (Input queued before a command
    // ends counts as given during it, so each is given on its own.)
    PressSpace(window);
    QCoreApplication::processEvents();
    ClickAbout(window);
    QCoreApplication::processEvents();
    EXPECT_EQ(fixture.commands, (Commands{{CMD_PROCESS, 0}, {CMD_ABOUT, 0}}));

    fixture.commands.clear();
    EventCounter other;
    window.SetHandler({{}, {}, [&](int id, int notification) {
                           fixture.commands.emplace_back(id, notification);
                           if (id != CMD_MASS_PROCESSING) return;
                           PressSpace(window);
                           ClickAbout(window);
                           QCoreApplication::postEvent(&other, new QEvent(QEvent::User));
                       }});
    window.MenuAction(CMD_MASS_PROCESSING)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(fixture.commands, (Commands{{CMD_MASS_PROCESSING, 0}}));
    EXPECT_EQ(other.received, 1) << "events that are no input still arrive";
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);

    // Input given after the command ran is taken again.
    PressSpace(window);
    QCoreApplication::processEvents();
    EXPECT_EQ(fixture.commands, (Commands{{CMD_MASS_PROCESSING, 0}, {CMD_PROCESS, 0}}));
}

TEST(QtWindow, DisplayTextTurnsCrLfIntoLineBreaksAndKeepsForeignBytes) {
    EXPECT_EQ(ToDisplayText("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(ToDisplayText("a\rb\r"), "a\rb\r");  // a lone CR is no line break
    EXPECT_EQ(ToDisplayText(std::string("a\0b", 3)), QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(ToDisplayText("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(ToDisplayText("caf\xe9"), QString::fromLatin1("caf\xe9"));
}

}  // namespace
}  // namespace cartovex
