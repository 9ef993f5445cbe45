#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <vector>

#include "platform/qt/PaneView.h"

namespace cartovex {
namespace {

using Position = PaneView::Position;

std::vector<QString> Lines(const PaneView& view) {
    std::vector<QString> lines;
    for (int i = 0; i < view.LineCount(); ++i) lines.push_back(view.Line(i));
    return lines;
}

TEST(PaneView, AppendsContinueTheLastLineAndEveryBreakStartsANewOne) {
    PaneView view;
    EXPECT_EQ(Lines(view), std::vector<QString>{""});
    const struct {
        QString appended;
        std::vector<QString> lines;
    } steps[] = {
        {"\nabc", {"", "abc"}},
        {"def", {"", "abcdef"}},
        {"\n", {"", "abcdef", ""}},
        {"\n\nx\ny", {"", "abcdef", "", "", "x", "y"}},
        {"", {"", "abcdef", "", "", "x", "y"}},
    };
    for (const auto& step : steps) {
        view.Append(step.appended);
        EXPECT_EQ(Lines(view), step.lines) << step.appended.toStdString();
    }
    EXPECT_EQ(view.Text(), "\nabcdef\n\n\nx\ny");
    EXPECT_EQ(view.Line(-1), "");
    EXPECT_EQ(view.Line(99), "");

    view.SetText("one\ntwo");
    EXPECT_EQ(Lines(view), (std::vector<QString>{"one", "two"}));
    view.SetText("");
    EXPECT_EQ(view.LineCount(), 1);
}

class ShownPane : public ::testing::Test {
protected:
    ShownPane() {
        view.resize(400, 200);
        view.SetText("abc\ndefgh\nij");
        view.show();
        view.setFocus();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        QApplication::setActiveWindow(&view);
    }
    void Drag(Position from, Position to) {
        QWidget* viewport = view.viewport();
        QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, view.PointOf(from));
        QMouseEvent move(QEvent::MouseMove, view.PointOf(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, view.PointOf(to));
    }

    PaneView view;
};

TEST_F(ShownPane, TheMouseSelectsAndCtrlCCopies) {
    Drag({0, 1}, {1, 3});
    EXPECT_EQ(view.SelectedText(), "bc\ndef");
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "bc\ndef");

    Drag({2, 2}, {1, 0});  // upwards
    EXPECT_EQ(view.SelectedText(), "defgh\nij");

    QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, view.PointOf({1, 2}));
    EXPECT_EQ(view.SelectedText(), "defgh");

    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.SelectedText(), "abc\ndefgh\nij");

    // A click past a line's end lands at its end.
    Drag({0, 0}, {0, 40});
    EXPECT_EQ(view.SelectedText(), "abc");
}

TEST_F(ShownPane, KeysScrollTheLinesAndTheColumns) {
    QString text;
    for (int i = 0; i < 100; ++i) text += QString("line %1 %2\n").arg(i).arg(QString(200, 'x'));
    view.SetText(text);
    QScrollBar* vertical = view.verticalScrollBar();
    QScrollBar* horizontal = view.horizontalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    ASSERT_GT(horizontal->maximum(), 0);

    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.FirstLineInView(), 1);
    QTest::keyClick(&view, Qt::Key_PageDown);
    EXPECT_EQ(view.FirstLineInView(), 1 + view.LinesInView());
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.FirstLineInView() + view.LinesInView(), view.LineCount());
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_GT(horizontal->value(), 0);
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.FirstLineInView(), 0);
    EXPECT_EQ(horizontal->value(), 0);

    view.ScrollToLastLine();
    EXPECT_EQ(vertical->value(), vertical->maximum());
}

}  // namespace
}  // namespace cartovex
