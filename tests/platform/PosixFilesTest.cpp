#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

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
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders; .ci/run runs this as another user";
    dir.Write("ro/report.txt", "old");
    chmod((dir / "ro").c_str(), 0555);
    EXPECT_FALSE(files.WriteFile(dir / "ro/report.txt", "new"));
    EXPECT_EQ(dir.Read("ro/report.txt"), "old");
}

// A link where a file is to be written is the user's, and so is what it points to: the write is
// refused, and neither changes. A FIFO or a folder in the file's place is refused as well.
TEST_F(PosixFilesTest, WriteFileNeverGoesThroughNorReplacesALink) {
    testkit::TempFolder elsewhere;
    const std::string victim = elsewhere.Write("victim.txt", "precious");
    const std::string folder = elsewhere.MakeFolder("folder");
    const std::string nowhere = elsewhere / "nowhere.txt";
    for (const std::string& target : {victim, folder, nowhere}) {
        std::filesystem::create_symlink(target, dir / "link.txt");
        EXPECT_FALSE(files.WriteFile("link.txt", "new")) << target;
        EXPECT_EQ(std::filesystem::read_symlink(dir / "link.txt"), target);
        std::filesystem::remove(dir / "link.txt");
    }
    ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
    EXPECT_FALSE(files.WriteFile("fifo.txt", "new"));
    EXPECT_EQ(elsewhere.Read("victim.txt"), "precious");
    EXPECT_FALSE(elsewhere.Exists("nowhere.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_EQ(files.ListTopLevel(dir.Path()), (std::vector<std::string>{"fifo.txt"})) << "no file left over";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no scratch file left";
}

// A staged file takes its name later, after other changes: whatever took the name meanwhile, or
// stood there as something else than an ordinary file, is the user's and stays as it was.
TEST_F(PosixFilesTest, AStagedFileTakesItsNameOnlyAsAWriteWould) {
    struct Case {
        const char* what;
        std::function<void()> before;  // the name as it is when the file is staged
        std::function<void()> meanwhile;
        bool placed;
        const char* left;       // what the name holds afterwards
        bool nameFree = false;  // staged as the caller knowing the name free, so no look is taken
    };
    const std::string target = dir / "sheet.cue";
    const Case cases[] = {
        {"a free name", [] {}, [] {}, true, "new"},
        {"an ordinary file replaced", [&] { dir.Write("sheet.cue", "old"); }, [] {}, true, "new"},
        {"a free name taken meanwhile", [] {}, [&] { dir.Write("sheet.cue", "someone's"); }, false,
         "someone's"},
        {"a link planted meanwhile", [&] { dir.Write("sheet.cue", "old"); },
         [&] {
             std::filesystem::remove(target);
             dir.Write("elsewhere", "linked");
             std::filesystem::create_symlink(dir / "elsewhere", target);
         },
         false, "linked"},
        {"a name known free", [] {}, [] {}, true, "new", true},
        {"a name known free taken meanwhile", [] {}, [&] { dir.Write("sheet.cue", "someone's"); }, false,
         "someone's", true},
        // The caller was wrong: the file there is still never replaced.
        {"a name wrongly known free", [&] { dir.Write("sheet.cue", "old"); }, [] {}, false, "old", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(target);
        c.before();
        const auto scratch = files.StageFile(target, "new", c.nameFree);
        ASSERT_TRUE(scratch.has_value());
        for (const std::string& name : files.ListCurrentFolder("*"))
            EXPECT_FALSE(name.starts_with(".cartovex-")) << "a staged file is hidden";
        c.meanwhile();
        ASSERT_TRUE(files.SyncFileSystems({dir.Path()}));
        EXPECT_EQ(files.PlaceStagedFile(*scratch, target), c.placed);
        if (!c.placed) {
            EXPECT_TRUE(files.DiscardStagedFile(*scratch));
        }
        EXPECT_EQ(dir.Read("sheet.cue"), c.left);
        EXPECT_FALSE(std::filesystem::exists(*scratch));
    }
    // Nothing is staged over a link or a folder.
    std::filesystem::remove(target);
    dir.MakeFolder("sheet.cue");
    EXPECT_FALSE(files.StageFile(target, "new", false).has_value());
}

TEST(ScratchNames, SayWhichProcessOnWhichMachineMadeThem) {
    EXPECT_EQ(ScratchFileName("vm7", 4321, 0xbeef), ".cartovex-vm7-4321-0000beef.tmp");
    EXPECT_EQ(ScratchHostPart("build-host.example.org"), "buildhostexample");
    EXPECT_EQ(ScratchHostPart("-._"), "");
    const struct {
        const char* name;
        const char* host;
        std::optional<unsigned long> owner;
    } cases[] = {
        {".cartovex-vm7-4321-0000beef.tmp", "vm7", 4321},
        {".cartovex--12-00000001.tmp", "", 12},
        {".cartovex-vm7-4321-0000beef.tmp", "vm8", std::nullopt},  // another machine's
        {".cartovex-vm-4321-0000beef.tmp", "vm7", std::nullopt},
        {".cartovex-a1B2c3", "vm7", std::nullopt},          // an older program's
        {".cartovex-rename-12-3", "rename", std::nullopt},  // a rename's, holding a user's file
        {".cartovex-journal", "journal", std::nullopt},     // a processing run's plan
        {".cartovex-vm7-43x1-0000beef.tmp", "vm7", std::nullopt},
        {".cartovex-vm7--0000beef.tmp", "vm7", std::nullopt},
        {".cartovex-vm7-4321-.tmp", "vm7", std::nullopt},
        {".cartovex-vm7-4321-00/0.tmp", "vm7", std::nullopt},
        {".cartovex-vm7-1234567890-0.tmp", "vm7", std::nullopt},
        {"cartovex-vm7-4321-0000beef.tmp", "vm7", std::nullopt},
        {".cartovex-vm7-4321-0000beef.tmp.part", "vm7", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ScratchFileOwner(c.name, c.host), c.owner) << c.name;
}

// Only what is provably a dead write's scratch file goes: made on this machine, by a process that
// no longer exists. A write into a folder clears it of them first.
TEST_F(PosixFilesTest, ScratchFilesOfProcessesThatAreGoneAreRemoved) {
    const pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    char machine[256] = {};
    gethostname(machine, sizeof machine - 1);
    const std::string host = ScratchHostPart(machine);
    const std::string stale = ScratchFileName(host, static_cast<unsigned long>(gone), 1);
    const std::vector<std::string> kept = {
        ScratchFileName(host, static_cast<unsigned long>(getpid()), 2),    // this process's own
        ScratchFileName(host, 1, 3),                                       // a live process's
        ScratchFileName(host + "x", static_cast<unsigned long>(gone), 4),  // another machine's
        ".cartovex-a1B2c3", ".cartovex-rename-" + std::to_string(gone) + "-5"};
    for (const std::string& name : kept) dir.Write(name, "kept");
    dir.Write(stale, "stale");
    dir.MakeFolder(ScratchFileName(host, static_cast<unsigned long>(gone), 6) + "/inside");
    files.RemoveStaleScratchFiles(dir.Path());
    EXPECT_FALSE(dir.Exists(stale));
    for (const std::string& name : kept) EXPECT_EQ(dir.Read(name), "kept") << name;
    EXPECT_TRUE(dir.Exists(ScratchFileName(host, static_cast<unsigned long>(gone), 6) + "/inside"));

    dir.Write("sub/" + stale, "stale");
    EXPECT_TRUE(files.WriteFile(dir / "sub/report.txt", "new"));
    EXPECT_FALSE(dir.Exists("sub/" + stale));
}

// Also just after a read, which a mass run makes first: the read's look at the file must not
// pass a read-only one, nor one other than the file read.
TEST_F(PosixFilesTest, ClearAttributesMakesAFileWritable) {
    dir.Write("other.iso", "x");
    for (const char* read : {"", "ro.iso", "other.iso"}) {
        SCOPED_TRACE(read);
        dir.Write("ro.iso", "x");
        chmod((dir / "ro.iso").c_str(), 0444);
        uint8_t byte = 0;
        if (*read) {
            EXPECT_EQ(files.ReadAt(read, 0, {&byte, 1}), 1u);
        }
        EXPECT_TRUE(files.ClearAttributes("ro.iso"));
        struct stat info {};
        stat((dir / "ro.iso").c_str(), &info);
        EXPECT_TRUE(info.st_mode & S_IWUSR);
        std::filesystem::remove(dir / "ro.iso");
    }
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

// A listing says which folders it could not read and why; a folder that is simply not there is no
// failure.
TEST_F(PosixFilesTest, ListingsNameTheFoldersTheySkipped) {
    const std::string deep = dir.MakeDeepFolder("long", 4200, "disc.iso");
    dir.Write("short/a.iso", "x");
    ListingFailures failures;
    const auto images = files.ListFilesRecursive(dir.Path(), {"iso"}, &failures);
    EXPECT_EQ(images.front(), dir / "long/" + std::string(200, 'd') + "/disc.iso");
    EXPECT_EQ(images.back(), dir / "short/a.iso");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].reason, ListingFailure::Reason::TOO_LONG);
    EXPECT_LT(failures[0].folder.size(), deep.size() + 1);
    EXPECT_GT(failures[0].folder.size(), 4000u);
    EXPECT_TRUE(deep.starts_with(failures[0].folder));

    failures.clear();
    EXPECT_TRUE(files.ListTopLevel(dir / "missing", &failures).empty());
    EXPECT_TRUE(files.ListFilesRecursive(dir / "missing", {"iso"}, &failures).empty());
    EXPECT_TRUE(failures.empty());
}

TEST_F(PosixFilesTest, ListingsNameTheFoldersTheyMayNotRead) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder; .ci/run runs this as another user";
    dir.Write("open/a.iso", "x");
    dir.Write("closed/b.iso", "x");
    chmod((dir / "closed").c_str(), 0);
    ListingFailures failures;
    EXPECT_EQ(files.ListFilesRecursive(dir.Path(), {"iso"}, &failures),
              (std::vector<std::string>{dir / "open/a.iso"}));
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].folder, dir / "closed");
    EXPECT_EQ(failures[0].reason, ListingFailure::Reason::UNREADABLE);
    failures.clear();
    EXPECT_TRUE(files.ListTopLevel(dir / "closed", &failures).empty());
    EXPECT_EQ(failures.size(), 1u);
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
