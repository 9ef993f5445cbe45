#include <gtest/gtest.h>

#include <set>

#include "refdata/Loader.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

const std::string DEVELOPER_MISSING = "DEVELOPPER.KVX not found. Developper detection is disabled.";
const std::string DATABASE_MISSING = "DATA.KVX not found. Rename feature will be disabled.";
const std::string DATABASE_OVERFLOW = "DATA.KVX holds more than 451 entries, the rest is ignored.";

class LoaderTest : public ::testing::Test {
protected:
    testkit::StartFolderProgram start;
    Program& program = start.program();

    std::vector<std::string> Messages() const {
        auto lines = PaneLines(program.pane.Text());
        lines.erase(lines.begin());  // the empty first line of every pane
        return lines;
    }
};

TEST_F(LoaderTest, ReadsBothFilesLineByLine) {
    start.dir.Write("DEVELOPPER.KVX",
                    "7 beta\r\n12#Pebble Works#x#y#z\r\n5# Spaced name \r\n5#Later wins\r\n");
    start.dir.Write("DATA.KVX", "12\r\nFirst#ABC1234#2\r\n\r\nThird#1#0#a#b#c#d\r\n");
    program.files().SetCurrentDirectory(start.dir.MakeFolder("elsewhere"));
    LoadDatabases(program);

    EXPECT_EQ(program.files().CurrentDirectory(), program.startFolder);
    EXPECT_EQ(program.pane.Text(), "");
    EXPECT_EQ(program.developers.version, 7);
    EXPECT_EQ(program.developers.names[12], "Pebble Works");
    EXPECT_EQ(program.developers.names[5], "Later wins");
    EXPECT_EQ(program.developers.names[6], "Unknown. CODE: 6");
    EXPECT_EQ(program.database.version, 12);
    ASSERT_EQ(program.database.count, 3);
    EXPECT_EQ(program.database.entries[0], "First#ABC1234#2");
    EXPECT_EQ(program.database.entries[1], "");  // a blank line is an entry of its own
    EXPECT_EQ(program.database.entries[2], "Third#1#0#a#b#c#d");
}

TEST_F(LoaderTest, DeveloperLinesKeepToTheTable) {
    start.dir.Write("DEVELOPPER.KVX",
                    "1\r\n301#Too far\r\n-1#Negative\r\n99999999999#Huge\r\n300#Last slot\r\n"
                    "#No number\r\n42#Has\nlone LF\r\n43#Cut\x1A"
                    "44#Never read\r\n");
    LoadDatabases(program);
    const DeveloperList& list = program.developers;
    EXPECT_EQ(list.names[300], "Last slot");
    EXPECT_EQ(list.names[0], "No number");
    EXPECT_EQ(list.names[42], "Has\nlone LF");
    EXPECT_EQ(list.names[43], "Cut");
    EXPECT_EQ(list.names[44], "Unknown. CODE: 44");
    EXPECT_EQ(list.names[299], "Unknown. CODE: 299");
    for (const std::string& name : list.names) {
        EXPECT_NE(name, "Too far");
        EXPECT_NE(name, "Negative");
        EXPECT_NE(name, "Huge");
    }
}

TEST_F(LoaderTest, OnlyAVersionLineLeavesEveryDefault) {
    start.dir.Write("DEVELOPPER.KVX", "3\r\n");
    LoadDatabases(program);
    EXPECT_EQ(program.developers.version, 3);
    for (int code = 0; code < 300; ++code)
        EXPECT_EQ(program.developers.names[code], DefaultDeveloperName(code));
    EXPECT_EQ(program.developers.names[300], "");  // slot 300 has no default
    EXPECT_EQ(Messages(), std::vector<std::string>{DATABASE_MISSING});
}

TEST_F(LoaderTest, VersionsSaturateToSixteenBits) {
    struct Case {
        const char* line;
        int16_t version;
    };
    const Case cases[] = {{"70000", 32767}, {"-70000", -32768}, {"  -12abc", -12}, {"v3", 0}, {"", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        start.dir.Write("DATA.KVX", std::string(c.line) + "\r\nEntry#1#0\r\n");
        start.dir.Write("DEVELOPPER.KVX", std::string(c.line) + "\r\n");
        LoadDatabases(program);
        EXPECT_EQ(program.database.version, c.version);
        EXPECT_EQ(program.developers.version, c.version);
        EXPECT_EQ(program.database.count, 1);
    }
}

TEST_F(LoaderTest, ShorterReloadHidesTheOlderTail) {
    start.dir.Write("DATA.KVX", "1\r\nA#1#0\r\nB#2#0\r\nC#3#0\r\n");
    LoadDatabases(program);
    ASSERT_EQ(program.database.count, 3);
    start.dir.Write("DATA.KVX", "2\r\nD#4#0");
    LoadDatabases(program);
    EXPECT_EQ(program.database.version, 2);
    EXPECT_EQ(program.database.count, 1);
    EXPECT_EQ(program.database.entries[0], "D#4#0");
}

TEST_F(LoaderTest, MissingOrEmptyFilesAreReportedAndEmptyOnesDeleted) {
    start.dir.Write("DATA.KVX", "9\r\nKept#1#0\r\n");
    start.dir.Write("DEVELOPPER.KVX", "4\r\n1#Named\r\n");
    LoadDatabases(program);

    start.dir.Write("DATA.KVX", "");
    start.dir.Write("DEVELOPPER.KVX", "");
    LoadDatabases(program);
    EXPECT_EQ(Messages(), (std::vector<std::string>{DEVELOPER_MISSING, DATABASE_MISSING}));
    EXPECT_FALSE(start.dir.Exists("DATA.KVX"));
    EXPECT_FALSE(start.dir.Exists("DEVELOPPER.KVX"));
    // The database keeps its last load; the developer names fall back to their defaults.
    EXPECT_EQ(program.database.count, 1);
    EXPECT_EQ(program.database.version, 9);
    EXPECT_EQ(program.database.entries[0], "Kept#1#0");
    EXPECT_EQ(program.developers.names[1], "Unknown. CODE: 1");

    program.pane.ClearPane();
    LoadDatabases(program);  // now both are missing altogether
    EXPECT_EQ(Messages(), (std::vector<std::string>{DEVELOPER_MISSING, DATABASE_MISSING}));
}

// A file that is there but can't be read may be the user's only copy: report it as what it is,
// not as missing, and keep it. A folder in a file's place is no file either.
TEST_F(LoaderTest, UnreadableFileIsReportedAsSuchAndKept) {
    testkit::UnreadableFiles files;
    Program broken(Platform{files, start.test->window, start.test->dialogs, start.test->process,
                            start.test->network, start.test->clock});
    start.dir.Write("DATA.KVX", "1\r\nA#1#0\r\n");
    start.dir.MakeFolder("DEVELOPPER.KVX");
    LoadDatabases(broken);
    EXPECT_TRUE(start.dir.Exists("DATA.KVX"));
    EXPECT_EQ(
        PaneLines(broken.pane.Text()),
        (std::vector<std::string>{"", "DEVELOPPER.KVX could not be read. Developper detection is disabled.",
                                  "DATA.KVX could not be read. Rename feature will be disabled."}));
    EXPECT_EQ(broken.database.count, 0);
}

TEST_F(LoaderTest, EntriesBeyondTheTableAreIgnoredWithOneMessage) {
    std::string data = "5\r\n";
    for (int i = 0; i < 460; ++i) data += "Disc " + std::to_string(i) + "#" + std::to_string(i) + "#0\r\n";
    start.dir.Write("DATA.KVX", data);
    start.dir.Write("DEVELOPPER.KVX", "1\r\n");
    LoadDatabases(program);
    EXPECT_EQ(program.database.count, 451);
    EXPECT_EQ(program.database.entries[450], "Disc 450#450#0");
    EXPECT_EQ(Messages(), std::vector<std::string>{DATABASE_OVERFLOW});

    // Exactly 451 entries fit without a word.
    data = "5\r\n";
    for (int i = 0; i < 451; ++i) data += "D#" + std::to_string(i) + "#0\r\n";
    start.dir.Write("DATA.KVX", data);
    program.pane.ClearPane();
    LoadDatabases(program);
    EXPECT_EQ(program.database.count, 451);
    EXPECT_EQ(program.pane.Text(), "");
}

}  // namespace
}  // namespace cartovex
