#include <gtest/gtest.h>

#include "platform/headless/HeadlessWindow.h"
#include "platform/posix/PosixFiles.h"
#include "state/MenuModel.h"
#include "state/OutputPane.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

class OutputPaneTest : public ::testing::Test {
protected:
    HeadlessWindow window;
    OutputPane pane{window};
    PosixFiles files;
    testkit::TempFolder dir;
};

TEST_F(OutputPaneTest, AppendPutsCrLfInFrontAndScrollsToTheEnd) {
    pane.AppendLine("abc");
    EXPECT_EQ(pane.Text(), "\r\nabc");
    EXPECT_EQ(window.PaneControlText(), "\r\nabc");
    pane.AppendLine("");
    pane.AppendLine("two\r\nlines");
    EXPECT_EQ(pane.Text(), "\r\nabc\r\n\r\ntwo\r\nlines");
    EXPECT_EQ(window.PaneControlText(), pane.Text());
    EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);
    EXPECT_EQ(window.ScrolledTo(), 5);
}

TEST_F(OutputPaneTest, ClearLeavesTheControlUntilTheNextAppend) {
    pane.AppendLine("old");
    pane.ClearPane();
    EXPECT_EQ(pane.Text(), "");
    EXPECT_EQ(window.PaneControlText(), "\r\nold");
    pane.AppendLine("x");
    EXPECT_EQ(window.PaneControlText(), "\r\nx");
    pane.AppendLine("y");
    EXPECT_EQ(window.PaneControlText(), "\r\nx\r\ny");
}

TEST_F(OutputPaneTest, ShowTextFileAppendsEveryLine) {
    pane.AppendLine("before");
    pane.ShowTextFile(files, dir.Write("list.txt", "one\r\ntwo\r\nthree\r\n"));
    EXPECT_EQ(pane.Text(), "\r\none\r\ntwo\r\nthree");
    EXPECT_EQ(window.PaneControlText(), pane.Text());
}

TEST_F(OutputPaneTest, ShowTextFileDeletesAnEmptyFileAndLeavesTheControlAlone) {
    pane.AppendLine("before");
    std::string path = dir.Write("empty.txt", "");
    pane.ShowTextFile(files, path);
    EXPECT_FALSE(dir.Exists("empty.txt"));
    EXPECT_EQ(pane.Text(), "");
    EXPECT_EQ(window.PaneControlText(), "\r\nbefore");
    pane.ShowTextFile(files, dir / "missing.txt");
    EXPECT_EQ(window.PaneControlText(), "\r\nbefore");
}

TEST_F(OutputPaneTest, ObserverSeesEachAppendedText) {
    std::vector<std::string> seen;
    pane.SetAppendObserver([&](std::string_view t) { seen.emplace_back(t); });
    pane.AppendLine("a");
    pane.ClearPane();
    pane.AppendLine("b");
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace cartovex
