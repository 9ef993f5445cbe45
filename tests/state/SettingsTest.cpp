#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "app/CommandHandler.h"
#include "state/MenuModel.h"
#include "state/Settings.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

// Check states in the file's order: rename folder, log, cue, fix cue, underscore.
using States = std::array<int, 5>;
constexpr int ON = MENU_CHECKED;
constexpr int OFF = MENU_ENABLED;
constexpr States DEFAULTS{ON, ON, ON, OFF, ON};

class SettingsTest : public ::testing::Test {
protected:
    testkit::StartFolderProgram start;
    Program& program = start.program();

    States Read() const {
        States states{};
        for (size_t i = 0; i < states.size(); ++i)
            states[i] = start.test->window.MenuItemState(Toggles()[i].commandId);
        return states;
    }
};

TEST_F(SettingsTest, ReadTakesLinesByPositionAndOnlyExactValues) {
    struct Case {
        const char* name;
        std::string file;  // empty: no settings file at all
        std::string site;
        States states;
    };
    const Case cases[] = {
        {"no file", "", "", DEFAULTS},
        {"all set",
         "UpdateSite=host.example\r\nTOGGLE_RENAMEFOLDER=off\r\nTOGGLE_GENERATELOG=off\r\n"
         "TOGGLE_GENERATECUE=off\r\nTOGGLE_FIXBINCUESHEET=on\r\nTOGGLE_UNDERSCORE=off\r\n",
         "host.example",
         {OFF, OFF, OFF, ON, OFF}},
        {"line 2 always sets rename folder",
         "UpdateSite=h\r\nTOGGLE_UNDERSCORE=off\r\n",
         "h",
         {OFF, ON, ON, OFF, ON}},
        {"values must be exact", "UpdateSite=h\r\nX=on \r\nTOGGLE_GENERATELOG=ON\r\nC= off\r\nF=\r\nU\r\n",
         "h", DEFAULTS},
        {"second '=' ends the value",
         "UpdateSite=a.example=b\r\nK=off=on\r\n",
         "a.example",
         {OFF, ON, ON, OFF, ON}},
        {"site line without '='", "updates.example\r\n", "", DEFAULTS},
        {"short file", "UpdateSite=h\r\n", "h", DEFAULTS},
        {"1A ends the file", "UpdateSite=h\r\nR=off\r\n\x1AL=off\r\n", "h", {OFF, ON, ON, OFF, ON}},
        {"binary junk", std::string("\0\xff=\x01\r\r\r\n=off=\r\0=on", 18), "\x01", {ON, ON, OFF, ON, ON}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::StartFolderProgram fresh;
        if (!c.file.empty()) fresh.dir.Write("Cartovex.ini", c.file);
        ReadSettings(fresh.program());
        EXPECT_EQ(fresh.program().updateSite, c.site);
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(fresh.window().MenuItemState(Toggles()[i].commandId), c.states[i]) << i;
    }
}

TEST_F(SettingsTest, MissingLinesLeaveEarlierStatesAlone) {
    start.window().SetMenuItemState(CMD_TOGGLE_UNDERSCORE, OFF);
    start.dir.Write("Cartovex.ini", "UpdateSite=h\r\nTOGGLE_RENAMEFOLDER=off\r\n");
    ReadSettings(program);
    EXPECT_EQ(Read(), (States{OFF, ON, ON, OFF, OFF}));
}

TEST_F(SettingsTest, WriteGivesSixCrLfLinesInTheStartFolder) {
    program.updateSite = "updates.example";
    start.window().SetMenuItemState(CMD_TOGGLE_FIX_CUE, ON);
    start.window().SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, OFF);
    // A disabled or otherwise odd state is not "on".
    start.window().SetMenuItemState(CMD_TOGGLE_UNDERSCORE, ON | MENU_DISABLED);
    program.files().SetCurrentDirectory(start.dir.MakeFolder("elsewhere"));
    WriteSettings(program);
    EXPECT_EQ(start.dir.Read("Cartovex.ini"),
              "UpdateSite=updates.example\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=off\r\n"
              "TOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=on\r\nTOGGLE_UNDERSCORE=off\r\n");
    EXPECT_FALSE(start.dir.Exists("elsewhere/Cartovex.ini"));
}

TEST_F(SettingsTest, WrittenFileReadsBackTheSameStates) {
    program.updateSite = "round.example";
    const States states{OFF, ON, OFF, ON, OFF};
    for (size_t i = 0; i < 5; ++i) start.window().SetMenuItemState(Toggles()[i].commandId, states[i]);
    WriteSettings(program);

    testkit::StartFolderProgram other;
    other.dir.Write("Cartovex.ini", start.dir.Read("Cartovex.ini"));
    ReadSettings(other.program());
    EXPECT_EQ(other.program().updateSite, "round.example");
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(other.window().MenuItemState(Toggles()[i].commandId), states[i]);
}

// Processing saves the settings after every disc: a file that already says it all is left alone,
// and anything else in its place, however close, is rewritten.
TEST(SettingsWrite, AFileThatAlreadySaysItAllIsLeftAloneAndAnyOtherIsRewritten) {
    const std::string exact =
        "UpdateSite=h\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=on\r\n"
        "TOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=off\r\nTOGGLE_UNDERSCORE=on\r\n";
    std::string bareLineEnds = exact;
    for (size_t at; (at = bareLineEnds.find('\r')) != std::string::npos;) bareLineEnds.erase(at, 1);
    const struct {
        const char* what;
        std::optional<std::string> before;
        bool written;
    } cases[] = {
        {"the same bytes", exact, false},       {"no file", std::nullopt, true},
        {"bare line ends", bareLineEnds, true}, {"one line short", exact.substr(0, exact.size() - 22), true},
        {"a line more", exact + "x\r\n", true}, {"another site", "UpdateSite=g" + exact.substr(12), true},
    };
    for (const auto& c : cases) {
        testkit::SpyFiles spy;
        testkit::StartFolderProgram start{{&spy}};
        start.program().updateSite = "h";
        if (c.before) start.dir.Write("Cartovex.ini", *c.before);
        WriteSettings(start.program());
        EXPECT_EQ(spy.Calls("WriteFile"), c.written ? 1 : 0) << c.what;
        EXPECT_EQ(start.dir.Read("Cartovex.ini"), exact) << c.what;
    }
}

// A settings file that is there but can't be read may still hold the user's settings: the run goes
// on with the defaults, says so, and never writes over it, neither on a save nor at Exit.
TEST(SettingsUnreadable, AFileThatCanNotBeReadIsNeverOverwritten) {
    const struct {
        const char* what;
        bool folder;  // a folder in the file's place; otherwise a file whose reads fail
    } cases[] = {{"unreadable file", false}, {"folder", true}};
    for (const auto& c : cases) {
        testkit::SpyFiles spy;
        testkit::StartFolderProgram start{{&spy}};
        Program& program = start.program();
        if (c.folder) {
            start.dir.Write("Cartovex.ini/keep.txt", "mine");
        } else {
            start.dir.Write("Cartovex.ini", "UpdateSite=mine.example\r\nTOGGLE_RENAMEFOLDER=off\r\n");
            spy.Fail("ReadAt", "Cartovex.ini");
        }
        ReadSettings(program);
        EXPECT_EQ(program.updateSite, "") << c.what;
        EXPECT_EQ(start.window().MenuItemState(CMD_TOGGLE_RENAME_FOLDER), ON) << c.what;
        CommandHandler handler(program);
        handler.Command(CMD_TOGGLE_GENERATE_LOG);
        WriteSettings(program);
        handler.Command(CMD_EXIT);
        EXPECT_EQ(spy.Calls("WriteFile"), 0) << c.what;
        EXPECT_EQ(PaneLines(program.pane.Text()),
                  (std::vector<std::string>{
                      "", "Cartovex.ini could not be read. The default settings are used and not saved.",
                      "Cartovex.ini could not be read, so it is left as it is.",
                      "Cartovex.ini could not be read, so it is left as it is."}))
            << c.what;
    }
}

TEST_F(SettingsTest, ASaveThatFailsIsReported) {
    testkit::SpyFiles spy;
    testkit::StartFolderProgram failing{{&spy}};
    spy.Fail("WriteFile", "Cartovex.ini");
    WriteSettings(failing.program());
    EXPECT_EQ(PaneLines(failing.program().pane.Text()),
              (std::vector<std::string>{"", "Cartovex.ini could not be written."}));
    // A missing file is no unreadable one: it is simply written.
    WriteSettings(program);
    EXPECT_TRUE(start.dir.Exists("Cartovex.ini"));
    EXPECT_EQ(program.pane.Text(), "");
}

TEST_F(SettingsTest, ExitWritesTheFileAndAFlipAloneDoesNot) {
    const std::string original = "UpdateSite=h\r\nTOGGLE_RENAMEFOLDER=on\r\n";
    start.dir.Write("Cartovex.ini", original);
    CommandHandler handler(program);
    ReadSettings(program);
    handler.Command(CMD_TOGGLE_GENERATE_LOG);
    EXPECT_EQ(start.dir.Read("Cartovex.ini"), original);  // the close box ends the run here
    EXPECT_FALSE(start.window().Ended());

    handler.Command(CMD_EXIT);
    EXPECT_TRUE(start.window().Ended());
    EXPECT_EQ(start.window().Result(), 0);
    EXPECT_EQ(start.dir.Read("Cartovex.ini"),
              "UpdateSite=h\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=off\r\n"
              "TOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=off\r\nTOGGLE_UNDERSCORE=on\r\n");
}

}  // namespace
}  // namespace cartovex
