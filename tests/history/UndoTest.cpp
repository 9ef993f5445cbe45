// Runs taken back through the command-line program and the window's command: a collection of
// every layout processed and undone must be byte for byte what it was, an undo taken back makes
// the run again, and whatever stands in the way (a file the user changed, a bad history, names
// outside the collection, a link) leaves everything as it is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "history/RunHistory.h"
#include "history/Undo.h"
#include "state/MenuModel.h"
#include "testkit/BuildPaths.h"
#include "testkit/Chdman.h"
#include "testkit/CliRun.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const char* const ALL_TOGGLES_ON =
    "UpdateSite=\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_FIXCUE=on\r\n"
    "TOGGLE_UNDERSCORE=on\r\n";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Undo : public ::testing::Test {
protected:
    HeaderBlock Known(const std::string& title, int tracks) {
        testkit::HeaderSpec fields;
        fields.salt = ++salt_;
        const HeaderBlock header = testkit::BuildHeader(fields);
        database_ += title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks) + "\r\n";
        return header;
    }

    // One disc: an ISO with two MP3 tracks, its old sheet and an old report, which processing
    // replaces.
    std::string SmallCollection() {
        collection.Write("Iso/Track 02.mp3", testkit::Mp3Track(2));
        collection.Write("Iso/Track 03.mp3", testkit::Mp3Track(3));
        collection.Write("Iso/game.cue",
                         "FILE \"game.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"
                         "FILE \"Track 02.mp3\" MP3\n  TRACK 02 AUDIO\n    INDEX 01 00:00:00\n"
                         "FILE \"Track 03.mp3\" MP3\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n");
        collection.Write("Iso/KVX_INFO.TXT", "an older report\r\n");
        return collection.Write("Iso/game.iso", testkit::CookedImage(Known("Mp3 Disc", 2)));
    }

    // Every layout a collection keeps, at several depths, and a disc nobody knows.
    void FullCollection() {
        SmallCollection();
        PosixFiles files;
        testkit::WriteMultiTrackSet(files, collection.MakeFolder("Azure"), "Azure Tide Racer (USA)",
                                    testkit::RawImage(Known("Azure Tide Racer (USA)", 3)), 3, 1);
        testkit::WriteMultiTrackSet(files, collection.MakeFolder("shelf/Both"), "First (Disc A)",
                                    testkit::RawImage(Known("First Disc", 2)), 2, 2);
        testkit::WriteMultiTrackSet(files, collection.MakeFolder("shelf/Both"), "Second (Disc B)",
                                    testkit::RawImage(Known("Second Disc", 1)), 1, 3);
        collection.Write("shelf/deep/Ogg/Glass Harbor (USA).iso",
                         testkit::CookedImage(Known("Glass Harbor (USA)", 2)));
        collection.Write("shelf/deep/Ogg/Glass Harbor (USA) 02.ogg", "OggS two");
        collection.Write("shelf/deep/Ogg/Glass Harbor (USA) 03.ogg", "OggS three");
        collection.Write("Single/single.bin", testkit::RawImage(Known("Single File", 3)));
        collection.Write("Single/single.cue", testkit::CueSheet("single.bin", 3));
        for (const char* title : {"Zip One", "Zip Two"})
            collection.Write(
                std::string("Zips/") + title + " (packed).zip",
                testkit::BuildZip({{"image.bin", testkit::RawImage(Known(title, 0)), true, ""}}));
        if (!testkit::ChdmanPath().empty()) {
            testkit::HeaderSpec fields;
            fields.salt = ++salt_;
            const HeaderBlock header = testkit::BuildHeader(fields);
            testkit::TempFolder work;
            if (testkit::MakeChdOfRawSet(files, work.Path(), "Set", header, 2)) {
                database_ += "Coral Rift#" + HexForm(HeaderChecksum(header)) + "#2\r\n";
                collection.Write("Chd/coral.chd", work.Read("Set.chd"));
            }
        }
        testkit::HeaderSpec stranger;
        stranger.salt = 999;
        collection.Write("Unknown/nobody.iso", testkit::CookedImage(testkit::BuildHeader(stranger)));
    }

    void Ready() {
        cli.start.dir.Write("DATA.KVX", database_);
        cli.start.dir.Write("DEVELOPPER.KVX", "1\r\n");
        cli.start.dir.Write("Cartovex.ini", ALL_TOGGLES_ON);
    }

    int Run(const Lines& args) {
        const int status = cli.Run(args);
        output = cli.out.str() + cli.err.str();
        return status;
    }

    std::string HistoryFile() const { return cli.start.dir / HISTORY_NAME; }

    RunHistory History() const {
        std::ifstream in(HistoryFile(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        auto history = ParseHistory(text);
        EXPECT_TRUE(history.has_value());
        return history.value_or(RunHistory{});
    }

    void WriteHistory(const RunHistory& history) const {
        std::ofstream(HistoryFile(), std::ios::binary | std::ios::trunc) << HistoryText(history);
    }

    testkit::CliRun cli;
    testkit::TempFolder collection;
    std::string output;

private:
    std::string database_ = "1\r\n";
    uint32_t salt_ = 0;
};

TEST_F(Undo, AMassRunOverEveryLayoutUndoneLeavesTheTreeAsItWasAndUndoingTheUndoMakesItAgain) {
    FullCollection();
    Ready();
    const Lines before = collection.Snapshot();
    ASSERT_EQ(Run({"mass", collection.Path()}), CLI_OK) << output;
    const Lines after = collection.Snapshot();
    ASSERT_NE(after, before);

    ASSERT_EQ(Run({"undo"}), CLI_OK) << output;
    EXPECT_TRUE(Has(output, "Run 1 was undone: ")) << output;
    EXPECT_EQ(collection.Snapshot(), before) << output;

    ASSERT_EQ(Run({"undo"}), CLI_OK) << output;
    EXPECT_TRUE(Has(output, "(run 1 is made again)")) << output;
    EXPECT_EQ(collection.Snapshot(), after) << output;

    ASSERT_EQ(Run({"history"}), CLI_OK);
    const Lines lines = testkit::OutputLines(cli.out.str());
    ASSERT_GE(lines.size(), 3u) << output;
    EXPECT_TRUE(lines[lines.size() - 3].starts_with("Run 3  2026-03-05 09:04:01  undo 2  ")) << output;
    EXPECT_TRUE(Has(lines.back(), "mass " + collection.Path()) && Has(lines.back(), "(undone by run 2)"))
        << output;

    ASSERT_EQ(Run({"history", "--json"}), CLI_OK);
    const Lines json = testkit::OutputLines(cli.out.str());
    ASSERT_EQ(json.size(), 3u) << output;
    EXPECT_TRUE(json[0].starts_with("{\"run\":3,\"time\":\"2026-03-05 09:04:01\",\"command\":\"undo 2\""));
    EXPECT_TRUE(Has(json[1], "\"undoneBy\":3,\"undoes\":[1]}")) << json[1];
}

// The window's command takes back the run its PROCESS button made, and says so in the pane.
TEST_F(Undo, TheWindowsCommandTakesBackTheLastProcessing) {
    const std::string image = SmallCollection();
    Ready();
    const Lines before = collection.Snapshot();
    ASSERT_EQ(Run({"analyse", image}), CLI_OK);
    cli.handler.Command(CMD_PROCESS);
    ASSERT_NE(collection.Snapshot(), before);
    cli.handler.Command(CMD_UNDO_LAST);
    EXPECT_EQ(collection.Snapshot(), before) << cli.program.pane.Text();
    EXPECT_TRUE(Has(cli.program.pane.Text(), "Run 1 was undone: 6 renames and 2 files taken back."))
        << cli.program.pane.Text();
}

// What the user did after the run is named, and nothing is changed.
TEST_F(Undo, AFileTheUserChangedAfterTheRunStopsTheUndoBeforeAnythingChanges) {
    struct Case {
        const char* what;
        std::function<void(const testkit::TempFolder&)> change;
        std::string named;
    };
    const std::vector<Case> cases = {
        {"renamed",
         [](const testkit::TempFolder& c) {
             fs::rename(c / "Mp3_Disc/Mp3_Disc_03.mp3", c / "Mp3_Disc/x.mp3");
         },
         "Mp3_Disc/Mp3_Disc_03.mp3 is not there any more."},
        {"edited", [](const testkit::TempFolder& c) { c.Write("Mp3_Disc/game.cue", "FILE \"x\" BINARY\n"); },
         "Mp3_Disc/game.cue was changed after run 1."},
        {"deleted", [](const testkit::TempFolder& c) { fs::remove(c / "Mp3_Disc/KVX_INFO.TXT"); },
         "Mp3_Disc/KVX_INFO.TXT is not there any more."},
        {"old name taken", [](const testkit::TempFolder& c) { c.MakeFolder("Iso"); }, "/Iso exists already."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(collection.Path());
        fs::create_directories(collection.Path());
        fs::remove(HistoryFile());
        SmallCollection();
        Ready();
        ASSERT_EQ(Run({"mass", collection.Path()}), CLI_OK) << output;
        c.change(collection);
        const Lines changed = collection.Snapshot();
        EXPECT_EQ(Run({"undo"}), CLI_INCOMPLETE);
        EXPECT_TRUE(Has(output, c.named)) << output;
        EXPECT_TRUE(Has(output, "Nothing was undone.")) << output;
        EXPECT_EQ(collection.Snapshot(), changed);
        EXPECT_EQ(History().runs.back().undoneBy, 0u);
    }
}

// A history that can't be used is named in one line and kept whole: undo refuses, and the next
// run records afresh beside it.
TEST_F(Undo, ABadHistoryIsReportedAndKeptUndoRefusesAndProcessingRecordsAfresh) {
    const std::string image = SmallCollection();
    Ready();
    ASSERT_EQ(Run({"process", image}), CLI_OK) << output;
    std::ifstream in(HistoryFile(), std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), {});
    ASSERT_TRUE(ParseHistory(good));

    std::string flipped = good;
    flipped[good.find("rename ") + 7] = '9';
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> make;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"cut",
         [&](const std::string& p) { std::ofstream(p, std::ios::binary) << good.substr(0, good.size() / 2); },
         "damaged or cut"},
        {"cut before its last line",
         [&](const std::string& p) {
             std::ofstream(p, std::ios::binary) << good.substr(0, good.size() - 12);
         },
         "damaged or cut"},
        {"damaged", [&](const std::string& p) { std::ofstream(p, std::ios::binary) << flipped; },
         "damaged or cut"},
        {"foreign", [](const std::string& p) { std::ofstream(p, std::ios::binary) << "[Settings]\nx=1\n"; },
         "not a run history of ours"},
        {"100 MB",
         [](const std::string& p) {
             std::ofstream(p, std::ios::binary) << "Cartovex run history 1\n";
             fs::resize_file(p, 100u << 20);
         },
         "too large to be ours"},
        {"a folder", [](const std::string& p) { fs::create_directory(p); }, "not an ordinary file"},
    };
    const Lines collectionBefore = collection.Snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(cli.start.dir.Path()))
            if (entry.path().filename().string().starts_with(HISTORY_NAME)) fs::remove_all(entry.path());
        c.make(HistoryFile());
        const auto sizeBefore = fs::is_directory(HistoryFile()) ? 0 : fs::file_size(HistoryFile());

        EXPECT_EQ(Run({"history"}), CLI_INCOMPLETE);
        EXPECT_EQ(cli.out.str(), HistoryProblemLine(c.problem) + "\n");
        EXPECT_EQ(Run({"undo"}), CLI_INCOMPLETE);
        EXPECT_EQ(cli.out.str(), std::string("The run history .cartovex-history is ") + c.problem +
                                     "; it is left as it is, and nothing was undone.\n");
        EXPECT_EQ(collection.Snapshot(), collectionBefore);

        // The folder's names are the title's now: a second run changes the report alone.
        ASSERT_EQ(Run({"process", collection / "Mp3_Disc/Mp3_Disc.iso"}), CLI_OK) << output;
        EXPECT_TRUE(Has(output, "; it was kept as .cartovex-history.damaged-1 and a new one begun."))
            << output;
        const std::string aside = cli.start.dir / ".cartovex-history.damaged-1";
        ASSERT_TRUE(fs::exists(aside));
        if (!fs::is_directory(aside)) {
            EXPECT_EQ(fs::file_size(aside), sizeBefore);
        }
        EXPECT_EQ(History().runs.size(), 1u);
    }
}

TEST_F(Undo, NamesOutsideTheRunsFolderAndLinksOnTheWayAreRefused) {
    const std::string image = SmallCollection();
    Ready();
    ASSERT_EQ(Run({"process", image}), CLI_OK) << output;
    const RunHistory recorded = History();
    testkit::TempFolder elsewhere;
    struct Case {
        const char* what;
        std::function<void(HistoryRun&)> forge;
        std::string named;
    };
    const std::vector<Case> cases = {
        {"a name with ..", [&](HistoryRun& run) { run.steps[0].path = collection / "Iso/../../x.mp3"; },
         "x.mp3 lies outside"},
        {"an absolute name elsewhere", [&](HistoryRun& run) { run.steps[0].path = elsewhere / "x.mp3"; },
         elsewhere / "x.mp3 lies outside the run's folder."},
        {"a relative folder", [](HistoryRun& run) { run.folder = "shelf"; },
         "lies outside the run's folder."},
    };
    const Lines before = collection.Snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunHistory forged = recorded;
        c.forge(forged.runs[0]);
        WriteHistory(forged);
        EXPECT_EQ(Run({"undo"}), CLI_INCOMPLETE);
        EXPECT_TRUE(Has(output, c.named)) << output;
        EXPECT_EQ(collection.Snapshot(), before);
    }

    // The renamed folder moved away by the user, a link to it left in its place.
    WriteHistory(recorded);
    fs::rename(collection / "Mp3_Disc", elsewhere / "moved");
    fs::create_directory_symlink(elsewhere / "moved", collection / "Mp3_Disc");
    const Lines linked = elsewhere.Snapshot();
    EXPECT_EQ(Run({"undo"}), CLI_INCOMPLETE);
    EXPECT_TRUE(Has(output, collection / "Mp3_Disc is a link.")) << output;
    EXPECT_EQ(elsewhere.Snapshot(), linked);
}

TEST_F(Undo, AnOlderRunTakesTheLaterOnesBackWithItOnlyWhenTheUserSaysSo) {
    const std::string image = SmallCollection();
    collection.Write("Wav/game.iso", testkit::CookedImage(Known("Wav Disc", 1)));
    collection.Write("Wav/Track 02.wav", testkit::WavTrack(2));
    Ready();
    const Lines before = collection.Snapshot();
    ASSERT_EQ(Run({"process", image}), CLI_OK) << output;
    ASSERT_EQ(Run({"process", collection / "Wav/game.iso"}), CLI_OK) << output;
    const Lines after = collection.Snapshot();

    EXPECT_EQ(Run({"undo", "1"}), CLI_INCOMPLETE);
    EXPECT_TRUE(Has(output, "Undoing run 1 takes back runs 2 and 1; give --yes to go on.")) << output;
    EXPECT_EQ(Run({"undo", "--dry-run", "1"}), CLI_OK);
    EXPECT_TRUE(Has(output, "would rename " + collection / "Wav_Disc -> " + collection / "Wav")) << output;
    EXPECT_TRUE(Has(output, "would write " + collection / "Iso/KVX_INFO.TXT")) << output;
    EXPECT_TRUE(Has(output, "Undo would take back runs 2 and 1: ")) << output;
    EXPECT_EQ(collection.Snapshot(), after);

    EXPECT_EQ(Run({"undo", "--yes", "7"}), CLI_INCOMPLETE);
    EXPECT_TRUE(Has(output, "There is no run 7 in the run history.")) << output;
    for (const Lines& bad : {Lines{"undo", "x"}, Lines{"undo", "1", "2"}, Lines{"undo", "--force"}})
        EXPECT_EQ(Run(bad), CLI_USAGE) << bad.back();
    ASSERT_EQ(Run({"undo", "1", "--yes"}), CLI_OK) << output;
    EXPECT_EQ(collection.Snapshot(), before) << output;
    EXPECT_EQ(Run({"undo", "2"}), CLI_INCOMPLETE);
    EXPECT_TRUE(Has(output, "Run 2 was taken back by run 3; undo run 3 to make it again.")) << output;
    ASSERT_EQ(Run({"undo"}), CLI_OK) << output;
    EXPECT_EQ(collection.Snapshot(), after) << output;
    EXPECT_EQ(Run({"undo", "1"}), CLI_INCOMPLETE);
    EXPECT_TRUE(Has(output, "Run 1 was made again by run 4; undo run 4 instead.")) << output;
}

// The real program killed by the kernel at each rename it makes while undoing (every write is a
// rename of its scratch file): the next run of any command that looks at the history finishes it.
TEST_F(Undo, AnUndoKilledAtEveryStepIsFinishedByTheNextRun) {
    ASSERT_EQ(std::system("command -v strace > /dev/null"), 0) << "strace is needed (Debian package strace)";
    int kill = 1;
    for (;; ++kill) {
        SCOPED_TRACE("killed at rename " + std::to_string(kill));
        fs::remove_all(collection.Path());
        fs::create_directories(collection.Path());
        for (const auto& entry : fs::directory_iterator(cli.start.dir.Path()))
            if (entry.path().filename().string().starts_with(".cartovex")) fs::remove_all(entry.path());
        const std::string image = SmallCollection();
        Ready();
        const Lines before = collection.Snapshot();
        ASSERT_EQ(Run({"process", image}), CLI_OK) << output;
        const Lines after = collection.Snapshot();
        const std::string command = "cd '" + cli.start.dir.Path() +
                                    "' && ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e "
                                    "inject=rename,renameat,renameat2:signal=KILL:when=" +
                                    std::to_string(kill) + " '" + testkit::BinaryDir() +
                                    "/src/programs/cli/cartovex-cli' undo > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) break;  // fewer renames than that
        ASSERT_LT(kill, 100);
        // Killed before its journal was whole, the undo had not begun.
        const bool begun = fs::exists(cli.start.dir / UNDO_JOURNAL_NAME);
        // The next run is a new process, as after a real kill.
        EXPECT_EQ(std::system(("cd '" + cli.start.dir.Path() + "' && '" + testkit::BinaryDir() +
                               "/src/programs/cli/cartovex-cli' history > /dev/null 2>&1")
                                  .c_str()),
                  0);
        EXPECT_EQ(collection.Snapshot(), begun ? before : after) << output;
        EXPECT_FALSE(fs::exists(cli.start.dir / UNDO_JOURNAL_NAME));
        const RunHistory history = History();
        ASSERT_EQ(history.runs.size(), begun ? 2u : 1u) << output;
        EXPECT_EQ(history.runs[0].undoneBy, begun ? 2u : 0u);
        for (const auto& entry : fs::directory_iterator(cli.start.dir.Path()))
            EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
    }
    EXPECT_GT(kill, 10);
}

}  // namespace
}  // namespace cartovex
