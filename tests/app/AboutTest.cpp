#include <gtest/gtest.h>

#include "app/About.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

class AboutTest : public ::testing::Test {
protected:
    testkit::StartFolderProgram start;
    Program& program = start.program();
};

TEST_F(AboutTest, ReplacesThePaneWithTwentyLinesInTheirLayout) {
    program.database.version = 12;
    program.database.count = 345;
    program.developers.version = 7;
    program.pane.AppendLine("an earlier image report");
    ShowAbout(program);

    auto lines = PaneLines(program.pane.Text());
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "    By");
    for (int i = 2; i <= 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(lines[i].size(), 63u);
        EXPECT_LE(lines[i].size(), 64u);
        size_t blanks = lines[i].find_first_not_of(' ');
        EXPECT_TRUE(blanks == 10 || blanks == 11) << blanks;
    }
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7].size(), 75u);
    EXPECT_EQ(lines[7].rfind("Coded by : ", 0), 0u);
    EXPECT_EQ(lines[7].substr(70), "v3.55");
    const std::string rule(75, '-');
    EXPECT_EQ(lines[8], rule);
    EXPECT_EQ(lines[9].rfind(std::string(17, ' ') + "UrL    : ", 0), 0u);
    EXPECT_EQ(lines[10].rfind(std::string(17, ' ') + "e-Mail : ", 0), 0u);
    EXPECT_EQ(lines[11], rule);
    EXPECT_EQ(lines[12], "        Header Database (DATA.KVX) version       : 12 (345 entries)");
    EXPECT_EQ(lines[13], "        Developper List (DEVELOPPER.KVX) version : 7");
    EXPECT_EQ(lines[12].find(':'), lines[13].find(':'));
    EXPECT_EQ(lines[12].find(':'), 49u);
    EXPECT_EQ(lines[14], rule);
    EXPECT_EQ(lines[15], "                          Special Thanks to :");
    EXPECT_EQ(lines[16], "");
    for (int i = 17; i <= 19; ++i) {
        EXPECT_FALSE(lines[i].empty());
        EXPECT_LE(lines[i].size(), 74u);
    }
    EXPECT_EQ(lines[20], "        and all the folks from the Sega scene :) THANX!!!!!!!!!");
    EXPECT_EQ(start.window().PaneControlText(), program.pane.Text());
}

TEST_F(AboutTest, NumbersTakeTheirSignInsteadOfTheBlank) {
    struct Case {
        int16_t version, count, developerVersion;
        const char* database;
        const char* developers;
    };
    const Case cases[] = {
        {0, 0, 0, ": 0 (0 entries)", ": 0"},
        {-3, 451, 32767, ":-3 (451 entries)", ": 32767"},
        {-32768, 1, -1, ":-32768 (1 entries)", ":-1"},
    };
    for (const Case& c : cases) {
        program.database.version = c.version;
        program.database.count = c.count;
        program.developers.version = c.developerVersion;
        ShowAbout(program);
        auto lines = PaneLines(program.pane.Text());
        ASSERT_EQ(lines.size(), 21u);
        EXPECT_EQ(lines[12].substr(49), c.database);
        EXPECT_EQ(lines[13].substr(49), c.developers);
    }
}

TEST_F(AboutTest, MakesTheStartFolderCurrent) {
    std::string elsewhere = start.dir.MakeFolder("elsewhere");
    program.files().SetCurrentDirectory(elsewhere);
    ShowAbout(program);
    EXPECT_EQ(program.files().CurrentDirectory(), program.startFolder);
}

}  // namespace
}  // namespace cartovex
