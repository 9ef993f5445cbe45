#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

class PosixFilesTest : public ::testing::Test {
protected:
    testkit::CurrentDirectoryGuard cwd;
    testkit::TempFolder dir;
    PosixFiles files;
    void SetUp() override { ASSERT_TRUE(files.SetCurrentDirectory(dir.Path())); }
};

TEST_F(PosixFilesTest, WildcardListingSeesOnlyVisibleOrdinaryFilesInNameOrder) {
    for (const char* name : {"track10.MP3", "Track02.mp3", "b.mp3", ".hidden.mp3", "game.bin", "notes.mp3x"})
        dir.Write(name, "x");
    dir.MakeFolder("folder.mp3");
    ASSERT_EQ(mkfifo((dir / "fifo.mp3").c_str(), 0600), 0);
    EXPECT_EQ(files.ListCurrentFolder("*.mp3"),
              (std::vector<std::string>{"b.mp3", "Track02.mp3", "track10.MP3"}));
    EXPECT_EQ(files.ListCurrentFolder("*.BIN"), (std::vector<std::string>{"game.bin"}));
    EXPECT_EQ(files.ListCurrentFolder("*").size(), 5u);
    EXPECT_TRUE(files.ListCurrentFolder("*.cue").empty());
}

TEST_F(PosixFilesTest, TopLevelListingHoldsFilesAndFoldersButNoHiddenOnes) {
    dir.Write("Game_Title.zip", "x");
    dir.Write(".dot", "x");
    dir.MakeFolder("Another Game");
    dir.Write("Another Game/inner.iso", "x");
    EXPECT_EQ(files.ListTopLevel(dir.Path()), (std::vector<std::string>{"Another Game", "Game_Title.zip"}));
    EXPECT_TRUE(files.ListTopLevel(dir / "missing").empty());
}

TEST_F(PosixFilesTest, RecursiveListingGivesEachFoldersFilesBeforeItsSubFolders) {
    dir.Write("z.iso", "x");
    dir.Write("A/b.BIN", "x");
    dir.Write("A/deep/c.raw", "x");
    dir.Write("A/skip.mp3", "x");
    dir.Write("B/d.zip", "x");
    dir.Write(".hidden/e.iso", "x");
    std::vector<std::string> expected = {dir / "z.iso", dir / "A/b.BIN", dir / "A/deep/c.raw",
                                         dir / "B/d.zip"};
    EXPECT_EQ(files.ListFilesRecursive(dir.Path(), {"iso", "raw", "bin", "zip"}), expected);
}

// Listings take each name's kind from the folder where they can; links still count as what they
// point to, except that a linked folder is never walked into, and a dangling link is no name at all.
TEST_F(PosixFilesTest, LinksAreListedAsWhatTheyPointToAndLinkedFoldersAreNotWalked) {
    dir.Write("real/a.iso", "x");
    dir.Write("outside/b.iso", "x");
    std::filesystem::create_symlink(dir / "real/a.iso", dir / "real/link.iso");
    std::filesystem::create_symlink(dir / "nowhere.iso", dir / "real/dangling.iso");
    std::filesystem::create_symlink(dir / "outside", dir / "real/linked");
    std::filesystem::create_symlink(dir / "real", dir / "real/loop");

    EXPECT_EQ(files.ListFilesRecursive(dir / "real", {"iso"}),
              (std::vector<std::string>{dir / "real/a.iso", dir / "real/link.iso"}));
    EXPECT_EQ(files.ListTopLevel(dir / "real"),
              (std::vector<std::string>{"a.iso", "link.iso", "linked", "loop"}));
    ASSERT_TRUE(files.SetCurrentDirectory(dir / "real"));
    EXPECT_EQ(files.ListCurrentFolder("*"), (std::vector<std::string>{"a.iso", "link.iso"}));
}

TEST_F(PosixFilesTest, RenameNeverReplacesAndKeepsBothFiles) {
    dir.Write("a.bin", "first");
    dir.Write("b.bin", "second");
    errno = 0;
    EXPECT_FALSE(files.Rename("a.bin", "b.bin"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(dir.Read("a.bin"), "first");
    EXPECT_EQ(dir.Read("b.bin"), "second");

    dir.MakeFolder("Old");
    dir.MakeFolder("Taken");
    dir.Write("Taken/keep.txt", "kept");
    EXPECT_FALSE(files.Rename("Old", "Taken"));
    EXPECT_EQ(dir.Read("Taken/keep.txt"), "kept");
    EXPECT_TRUE(dir.Exists("Old"));
}

TEST_F(PosixFilesTest, RenameToItsOwnNameOrItsOtherCaseWorks) {
    dir.Write("Game.BIN", "data");
    EXPECT_TRUE(files.Rename("Game.BIN", "Game.BIN"));
    EXPECT_TRUE(files.Rename("Game.BIN", "Game.bin"));
    EXPECT_EQ(dir.Read("Game.bin"), "data");
    EXPECT_FALSE(dir.Exists("Game.BIN"));
    EXPECT_FALSE(files.Rename("missing", "x"));
}

TEST_F(PosixFilesTest, WriteFileReplacesWholeAndRefusesFolders) {
    EXPECT_TRUE(files.WriteFile("report.txt", "a long first version"));
    EXPECT_TRUE(files.WriteFile("report.txt", "short"));
    EXPECT_EQ(dir.Read("report.txt"), "short");
    dir.MakeFolder("taken.txt");
    EXPECT_FALSE(files.WriteFile("taken.txt", "x"));
    EXPECT_EQ(files.ListCurrentFolder("*"), (std::vector<std::string>{"report.txt"}));  // no temporary left
}

TEST_F(PosixFilesTest, WriteFileInAReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    dir.Write("ro/report.txt", "old");
    chmod((dir / "ro").c_str(), 0555);
    EXPECT_FALSE(files.WriteFile(dir / "ro/report.txt", "new"));
    EXPECT_EQ(dir.Read("ro/report.txt"), "old");
}

TEST_F(PosixFilesTest, ClearAttributesMakesAFileWritable) {
    dir.Write("ro.iso", "x");
    chmod((dir / "ro.iso").c_str(), 0444);
    EXPECT_TRUE(files.ClearAttributes("ro.iso"));
    struct stat info {};
    stat((dir / "ro.iso").c_str(), &info);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
}

TEST_F(PosixFilesTest, LengthAndReadsAreForOrdinaryFilesOnly) {
    dir.Write("f.bin", "0123456789");
    dir.MakeFolder("d.bin");
    EXPECT_EQ(files.FileLength("f.bin"), 10u);
    EXPECT_FALSE(files.FileLength("d.bin"));
    uint8_t buffer[4] = {};
    EXPECT_EQ(files.ReadAt("f.bin", 8, buffer), 2u);
    EXPECT_EQ(buffer[0], '8');
    EXPECT_FALSE(files.ReadAt("d.bin", 0, buffer));
    EXPECT_EQ(files.ReadFile("f.bin", 4), "0123");
}

TEST(Wildcards, MatchStarsAndQuestionMarksIgnoringCase) {
    EXPECT_TRUE(WildcardMatch("*.CUE", "game.cue"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("t?ack*.mp3", "TRACK 02.MP3"));
    EXPECT_FALSE(WildcardMatch("*.mp3", "a.mp3.txt"));
    EXPECT_FALSE(WildcardMatch("*.mp3", "mp3"));
}

}  // namespace
}  // namespace cartovex
