#include <gtest/gtest.h>

#include "collection/Collection.h"
#include "common/Text.h"
#include "disc/Analysis.h"
#include "disc/Crc32.h"
#include "refdata/Loader.h"
#include "state/MenuModel.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

class CollectionScanTest : public ::testing::Test {
protected:
    testkit::SpyFiles spy;
    testkit::StartFolderProgram start{{&spy}};
    testkit::TempFolder collection;
    Program& program = start.program();

    void Know(std::initializer_list<const char*> names, int16_t version = 7) {
        HeaderDatabase& db = program.database;
        for (const char* name : names)
            db.entries[static_cast<size_t>(db.count++)] = std::string(name) + "#1A2B#0";
        db.version = version;
    }

    void Scan(const std::string& folder) {
        start.test->dialogs.QueueFolder(folder);
        ScanCollection(program);
    }
};

TEST_F(CollectionScanTest, ListsHaveAndMissFromTheTopLevelNames) {
    Know({"Game Title", "Dot.Name", "Under_Score", "Second Game", "Third", "Deep One"});
    collection.MakeFolder("Game_Title");
    collection.Write("Game Title.zip", "z");         // a folder and an archive: counted twice
    collection.MakeFolder("game title");             // case matters
    collection.MakeFolder("Dot.Name");               // the key ends before the dot
    collection.MakeFolder("Under_Score");            // keys hold blanks, never underscores
    collection.Write("Second Game(DUPE).iso", "d");  // a processed dupe: the marker is no part of the key
    collection.Write(".Third", "h");                 // hidden
    collection.Write("sub/Deep One.iso", "x");       // below the top level
    collection.Write("Third.part1.bin", "t");        // cut at the first dot
    program.window().EnableControl(ID_PROCESS_BUTTON, true);
    program.pane.AppendLine("old text");
    const auto before = collection.Snapshot();

    Scan(collection.Path());

    EXPECT_EQ(start.dir.Read("KVX_HAVE.TXT"),
              "You have 4 of 6 known Sega CD images from Cartovex list 7\r\n\r\n"
              "Game Title\r\nGame Title\r\nSecond Game\r\nThird\r\n");
    EXPECT_EQ(start.dir.Read("KVX_MISS.TXT"),
              "You are missing 3 of 6 known Sega CD images from Cartovex list 7\r\n\r\n"
              "Dot.Name\r\nUnder_Score\r\nDeep One\r\n");
    EXPECT_EQ(
        PaneLines(program.pane.Text()),
        (std::vector<std::string>{"", "You are missing 3 of 6 known Sega CD images from Cartovex list 7."}));
    EXPECT_FALSE(start.window().IsControlEnabled(ID_PROCESS_BUTTON));
    EXPECT_EQ(program.files().CurrentDirectory(), program.startFolder);
    EXPECT_EQ(collection.Snapshot(), before) << "nothing is written into the scanned folder";
    EXPECT_EQ(start.test->dialogs.LastPrompt(), "Please select a directory that contains Sega CD images:");
}

TEST_F(CollectionScanTest, CancelLeavesListsAndPaneAlone) {
    start.dir.Write("KVX_HAVE.TXT", "old have\r\n");
    start.dir.Write("KVX_MISS.TXT", "old miss\r\n");
    program.pane.AppendLine("kept");
    program.window().EnableControl(ID_PROCESS_BUTTON, true);
    ScanCollection(program);  // no answer queued: the browser was cancelled
    EXPECT_EQ(start.dir.Read("KVX_HAVE.TXT"), "old have\r\n");
    EXPECT_EQ(start.dir.Read("KVX_MISS.TXT"), "old miss\r\n");
    EXPECT_EQ(program.pane.Text(), "\r\nkept");
    EXPECT_FALSE(start.window().IsControlEnabled(ID_PROCESS_BUTTON));
}

TEST_F(CollectionScanTest, AFolderThatIsNotThereKeepsTheOldLists) {
    Know({"Game Title"});
    start.dir.Write("KVX_HAVE.TXT", "old have\r\n");
    start.dir.Write("KVX_MISS.TXT", "old miss\r\n");
    const std::string gone = collection / "gone";
    Scan(gone);
    EXPECT_EQ(start.dir.Read("KVX_HAVE.TXT"), "old have\r\n");
    EXPECT_EQ(start.dir.Read("KVX_MISS.TXT"), "old miss\r\n");
    EXPECT_EQ(PaneLines(program.pane.Text()),
              (std::vector<std::string>{"", "Could not read the directory (" + gone + ")!"}));
    EXPECT_EQ(program.files().CurrentDirectory(), program.startFolder);
}

// Without a database every title would be listed as neither had nor missed: the lists the user has
// stay, whether DATA.KVX is missing, empty or can't be read.
TEST_F(CollectionScanTest, WithoutADatabaseTheOldListsStay) {
    const struct {
        const char* what;
        const char* database;  // nullptr: no file
        bool unreadable;
    } cases[] = {
        {"missing", nullptr, false}, {"empty", "", false}, {"unreadable", "7\r\nGame#1#0\r\n", true}};
    for (const auto& c : cases) {
        testkit::SpyFiles files;
        testkit::StartFolderProgram fresh{{&files}};
        if (c.database) fresh.dir.Write("DATA.KVX", c.database);
        if (c.unreadable) files.Fail("ReadAt", "DATA.KVX");
        fresh.dir.Write("KVX_HAVE.TXT", "old have\r\n");
        fresh.dir.Write("KVX_MISS.TXT", "old miss\r\n");
        LoadDatabases(fresh.program());
        fresh.test->dialogs.QueueFolder(collection.Path());
        ScanCollection(fresh.program());
        EXPECT_EQ(fresh.dir.Read("KVX_HAVE.TXT"), "old have\r\n") << c.what;
        EXPECT_EQ(fresh.dir.Read("KVX_MISS.TXT"), "old miss\r\n") << c.what;
        EXPECT_EQ(PaneLines(fresh.program().pane.Text()),
                  (std::vector<std::string>{
                      "", "No database is loaded, so KVX_HAVE.TXT and KVX_MISS.TXT are kept as they are."}))
            << c.what;
    }
}

TEST_F(CollectionScanTest, AFolderThatCanNotBeReadKeepsTheOldLists) {
    Know({"Game Title"});
    start.dir.Write("KVX_HAVE.TXT", "old have\r\n");
    spy.Fail("ListTopLevel", collection.Path());
    Scan(collection.Path());
    EXPECT_EQ(start.dir.Read("KVX_HAVE.TXT"), "old have\r\n");
    EXPECT_FALSE(start.dir.Exists("KVX_MISS.TXT"));
    EXPECT_EQ(PaneLines(program.pane.Text()),
              (std::vector<std::string>{"", "Could not read the directory (" + collection.Path() + ")!"}));
}

TEST_F(CollectionScanTest, AListThatCannotBeWrittenIsReportedAndKept) {
    Know({"Game Title"});
    start.dir.Write("KVX_MISS.TXT", "old miss\r\n");
    spy.Fail("WriteFile", "KVX_MISS.TXT");
    Scan(collection.Path());
    EXPECT_EQ(start.dir.Read("KVX_MISS.TXT"), "old miss\r\n");
    EXPECT_EQ(
        PaneLines(program.pane.Text()),
        (std::vector<std::string>{"", "You are missing 1 of 1 known Sega CD images from Cartovex list 7.",
                                  "KVX_MISS.TXT could not be written."}));
}

// A full database whose every title is there twice, as a folder and as an archive: the HAVE list
// holds every name found, beyond the database's own size.
TEST_F(CollectionScanTest, HaveListKeepsEveryNameBeyondTheDatabaseSize) {
    HeaderDatabase& db = program.database;
    for (int i = 0; i < HEADER_DATABASE_SLOTS; ++i) {
        const std::string title = "Disc " + PlainNumber(1000 + i);
        db.entries[static_cast<size_t>(db.count++)] = title + "#0#0";
        collection.MakeFolder(title);
        collection.Write(title + ".zip", "z");
    }
    Scan(collection.Path());
    const std::vector<std::string> have = ReadLines(start.dir.Read("KVX_HAVE.TXT"));
    ASSERT_EQ(have.size(), 2u + 2 * HEADER_DATABASE_SLOTS);
    EXPECT_EQ(have[0], "You have 902 of 451 known Sega CD images from Cartovex list 0");
    EXPECT_EQ(have[2], "Disc 1000");
    EXPECT_EQ(have[3], "Disc 1000");
    EXPECT_EQ(have.back(), "Disc 1450");
    EXPECT_EQ(ReadLines(start.dir.Read("KVX_MISS.TXT")).size(), 2u);
}

// The HAVE list the scan writes is the one the analysis reads to spot a second copy.
TEST_F(CollectionScanTest, AScannedTitleIsADupeWhenAnalysedAgain) {
    testkit::HeaderSpec fields;
    const HeaderBlock header = testkit::BuildHeader(fields);
    program.database.entries[0] = "Game Title#" + HexForm(HeaderChecksum(header)) + "#0";
    program.database.count = 1;
    collection.MakeFolder("Game_Title");
    const std::string image = collection.Write("elsewhere/copy.iso", testkit::CookedImage(header));

    Scan(collection.Path());
    program.disc.imagePath = image;
    AnalyseImage(program);
    EXPECT_EQ(program.disc.displayName, "Game Title(DUPE)");
}

}  // namespace
}  // namespace cartovex
