#include <gtest/gtest.h>

#include "app/CommandHandler.h"
#include "app/MenuModel.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

class CommandHandlerTest : public ::testing::Test {
protected:
    testkit::StartFolderProgram start;
    Program& program = start.program();
    HeadlessWindow& window = start.window();
    CommandHandler handler{program};
};

TEST_F(CommandHandlerTest, TogglesFlipOnlyBetweenPlainCheckedAndUnchecked) {
    struct Case {
        int before, after;
    };
    const Case cases[] = {{MENU_CHECKED, MENU_ENABLED},
                          {MENU_ENABLED, MENU_CHECKED},
                          {MENU_DISABLED, MENU_DISABLED},
                          {MENU_CHECKED | MENU_DISABLED, MENU_CHECKED | MENU_DISABLED}};
    for (const ToggleInfo& toggle : Toggles()) {
        for (const Case& c : cases) {
            window.SetMenuItemState(toggle.commandId, c.before);
            handler.Command(toggle.commandId);
            EXPECT_EQ(window.MenuItemState(toggle.commandId), c.after)
                << toggle.settingsKey << " " << c.before;
        }
    }
    handler.Command(CMD_TOGGLE_GENERATE_LOG);
    handler.Command(CMD_TOGGLE_GENERATE_LOG);
    EXPECT_FALSE(start.dir.Exists("Cartovex.ini"));
}

TEST_F(CommandHandlerTest, ViewingAMissingOrEmptyListReportsItBelowThePane) {
    struct Case {
        int command;
        const char* file;
        bool empty;  // false: no file at all
    };
    const Case cases[] = {{CMD_VIEW_MISS, "KVX_MISS.TXT", false},
                          {CMD_VIEW_HAVE, "KVX_HAVE.TXT", true},
                          {CMD_VIEW_MISS, "KVX_MISS.TXT", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (c.empty) start.dir.Write(c.file, "");
        program.pane.ClearPane();
        program.pane.AppendLine("report");
        window.EnableControl(ID_PROCESS_BUTTON, true);
        handler.Command(c.command);
        EXPECT_EQ(program.pane.Text(), std::string("\r\nreport\r\n") + c.file + " is missing.");
        EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
        EXPECT_FALSE(start.dir.Exists(c.file));
    }
}

TEST_F(CommandHandlerTest, ViewingAListShowsItsLinesFromTheStartFolder) {
    start.dir.Write("KVX_HAVE.TXT", "Disc One\r\nDisc Two\r\n\r\nDisc Four\r\n");
    program.files().SetCurrentDirectory(start.dir.MakeFolder("images"));
    program.pane.AppendLine("report");
    window.EnableControl(ID_PROCESS_BUTTON, true);
    handler.Command(CMD_VIEW_HAVE);
    EXPECT_EQ(PaneLines(program.pane.Text()),
              (std::vector<std::string>{"", "Disc One", "Disc Two", "", "Disc Four"}));
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    EXPECT_TRUE(start.dir.Exists("KVX_HAVE.TXT"));
}

// A list that is there but can't be read is reported like a missing one, and left in place.
TEST_F(CommandHandlerTest, AnUnreadableListIsReportedAndKept) {
    testkit::UnreadableFiles files;
    Program broken(Platform{files, window, start.test->dialogs, start.test->process, start.test->network,
                            start.test->clock});
    CommandHandler brokenHandler(broken);
    start.dir.Write("KVX_MISS.TXT", "Disc One\r\n");
    brokenHandler.Command(CMD_VIEW_MISS);
    EXPECT_EQ(broken.pane.Text(), "\r\nKVX_MISS.TXT is missing.");
    EXPECT_TRUE(start.dir.Exists("KVX_MISS.TXT"));

    broken.pane.ShowTextFile(files, broken.StartFile("KVX_MISS.TXT"));
    EXPECT_TRUE(start.dir.Exists("KVX_MISS.TXT"));
}

TEST_F(CommandHandlerTest, AboutDisablesProcessAndReplacesThePane) {
    program.pane.AppendLine("an image report");
    window.EnableControl(ID_PROCESS_BUTTON, true);
    handler.Command(CMD_ABOUT);
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    auto lines = PaneLines(program.pane.Text());
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[1], "    By");
}

TEST_F(CommandHandlerTest, InitialiseLoadsReadsAndLeavesTheAboutText) {
    start.dir.Write("DATA.KVX", "12\r\nA#1#0\r\nB#2#0\r\n");
    start.dir.Write("Cartovex.ini", "UpdateSite=site.example\r\nTOGGLE_RENAMEFOLDER=off\r\n");
    handler.Initialise();
    EXPECT_EQ(program.updateSite, "site.example");
    EXPECT_EQ(window.MenuItemState(CMD_TOGGLE_RENAME_FOLDER), MENU_ENABLED);
    auto lines = PaneLines(program.pane.Text());
    // The missing developer list's message was cleared away; the update's lines may follow.
    ASSERT_GE(lines.size(), 21u);
    EXPECT_EQ(lines[1], "    By");
    EXPECT_EQ(lines[12], "        Header Database (DATA.KVX) version       : 12 (2 entries)");
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
}

TEST_F(CommandHandlerTest, ActivationGivesTheFocusBackOnce) {
    window.FocusControl(ID_PROCESS_BUTTON);
    handler.Activate(false);
    window.FocusControl(0);
    handler.Activate(true);
    EXPECT_EQ(window.FocusedControl(), ID_PROCESS_BUTTON);
    window.FocusControl(ID_OUTPUT_PANE);
    handler.Activate(true);  // nothing saved any more
    EXPECT_EQ(window.FocusedControl(), ID_OUTPUT_PANE);
}

TEST_F(CommandHandlerTest, UnknownCommandsChangeNothing) {
    program.pane.AppendLine("report");
    for (int id : {2 /* Esc's cancel */, int(ID_OUTPUT_PANE), int(ID_BANNER), 9003, 9999})
        handler.Command(id, 0);
    EXPECT_EQ(program.pane.Text(), "\r\nreport");
    EXPECT_FALSE(window.Ended());
    EXPECT_FALSE(start.dir.Exists("Cartovex.ini"));
}

}  // namespace
}  // namespace cartovex
