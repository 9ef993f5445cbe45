#include <gtest/gtest.h>

#include "app/CommandHandler.h"
#include "state/MenuModel.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"
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
    // The About text replaced the missing developer list's line, which follows it again; the
    // update's lines may come after.
    ASSERT_GE(lines.size(), 22u);
    EXPECT_EQ(lines[1], "    By");
    EXPECT_EQ(lines[12], "        Header Database (DATA.KVX) version       : 12 (2 entries)");
    EXPECT_EQ(lines[21], "DEVELOPPER.KVX not found. Developper detection is disabled.");
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
}

TEST_F(CommandHandlerTest, AReferenceFileTheStartCouldNotUseIsNamedAgainBelowTheAboutText) {
    const std::string good = "3\r\nA#1#0\r\n";
    const std::string missingData = "DATA.KVX not found. Rename feature will be disabled.";
    const std::string missingList = "DEVELOPPER.KVX not found. Developper detection is disabled.";
    struct Case {
        const char* what;
        std::optional<std::string> data, developers;  // nothing: no file; "/": a folder of that name
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"both missing", std::nullopt, std::nullopt, {missingList, missingData}},
        {"an empty database", "", good, {missingData}},
        {"an unreadable database",
         "/",
         good,
         {"DATA.KVX could not be read. Rename feature will be disabled."}},
        {"both there", good, good, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testkit::StartFolderProgram fresh;
        auto place = [&](const char* name, const std::optional<std::string>& content) {
            if (content == "/")
                std::filesystem::create_directory(fresh.dir / name);
            else if (content)
                fresh.dir.Write(name, *content);
        };
        place("DATA.KVX", c.data);
        place("DEVELOPPER.KVX", c.developers);
        CommandHandler(fresh.program()).Initialise();
        const auto lines = PaneLines(fresh.program().pane.Text());
        ASSERT_GE(lines.size(), 21u + c.after.size());
        EXPECT_EQ(lines[1], "    By");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 21, lines.begin() + 21 + c.after.size()), c.after);
        for (size_t i = 21 + c.after.size(); i < lines.size(); ++i)
            EXPECT_EQ(lines[i].find(".KVX "), std::string::npos) << "the update's lines only: " << lines[i];
    }
}

TEST_F(CommandHandlerTest, AfterProcessingTheFocusIsBackOnProcess) {
    testkit::AnalysisBench bench;
    const HeaderBlock header = testkit::BuildHeader({});
    const std::string image = bench.images.Write("disc/game.iso", testkit::CookedImage(header));
    bench.Know("Game Title", header, 0);
    bench.Analyse(image);
    ASSERT_TRUE(bench.window().IsControlEnabled(ID_PROCESS_BUTTON));
    CommandHandler(bench.program()).Command(CMD_PROCESS, 0);
    EXPECT_EQ(PaneLines(bench.program().pane.Text()).back(), "Process done.");
    EXPECT_EQ(bench.window().FocusedControl(), ID_PROCESS_BUTTON);

    // A run that leaves PROCESS disabled leaves the focus where its lines put it.
    bench.window().EnableControl(ID_PROCESS_BUTTON, false);
    CommandHandler(bench.program()).Command(CMD_PROCESS, 0);
    EXPECT_EQ(bench.window().FocusedControl(), ID_OUTPUT_PANE);
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
