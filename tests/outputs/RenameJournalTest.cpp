#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "app/CommandLine.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "outputs/RenameJournal.h"
#include "state/MenuModel.h"
#include "testkit/BuildPaths.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SheetCheck.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using Names = std::vector<std::string>;
using Steps = std::vector<RenameStep>;

TEST(RenameJournalText, ReadsBackWhatItWroteAndNothingElse) {
    const RenameJournal journal{{{"Track 01.mp3", "PRET_01.mp3"}, {"a\nb:c 7:x", "\r\n\x1A"}, {"", "x"}},
                                {{"game.cue", std::string("FILE \"x\"\r\n\0\xFF", 12)}},
                                true};
    const std::string text = JournalText(journal);
    const auto read = ParseJournal(text);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->steps.size(), 3u);
    EXPECT_EQ(read->steps[1].from, "a\nb:c 7:x");
    EXPECT_EQ(read->steps[1].to, "\r\n\x1A");
    EXPECT_EQ(read->sheets, journal.sheets);
    EXPECT_TRUE(read->checkpointed);
    // Every cut of it, and anything after its end, is no journal.
    for (size_t cut = 0; cut < text.size(); ++cut) EXPECT_FALSE(ParseJournal(text.substr(0, cut))) << cut;
    EXPECT_FALSE(ParseJournal(text + "x"));
    EXPECT_FALSE(ParseJournal("Cartovex rename journal 1\nrename 99999999999:a 1:b\nend\n"));
}

// How far a run got, told from the names the folder holds, for every count of steps done.
TEST(StepsDone, EveryPrefixOfAPlanIsToldApart) {
    const std::vector<Steps> plans = {
        // Companions numbered from 01 move up by one: a final name is another file's first name.
        {{"T_01.mp3", "PRET_01.mp3"},
         {"T_02.mp3", "PRET_02.mp3"},
         {"PRET_01.mp3", "T_02.mp3"},
         {"PRET_02.mp3", "T_03.mp3"},
         {"game.iso", "T.iso"}},
        // A whole set, the data track last.
        {{"d (Track 02).bin", "T_02.bin"}, {"d (Track 03).bin", "T_03.bin"}, {"d (Track 01).bin", "T.bin"}},
    };
    for (const Steps& steps : plans) {
        EXPECT_FALSE(NeedsCheckpoints(steps));
        for (size_t done = 0; done <= steps.size(); ++done) {
            testkit::TempFolder folder;
            PosixFiles files;
            testkit::CurrentDirectoryGuard guard;
            for (const RenameStep& step : ComposedRenames(steps)) folder.Write(step.from, step.from);
            files.SetCurrentDirectory(folder.Path());
            for (size_t i = 0; i < done; ++i) ASSERT_TRUE(files.Rename(steps[i].from, steps[i].to));
            EXPECT_EQ(StepsDone(files, steps, steps.size()), done) << steps[0].from << " " << done;
        }
    }
    // Two files changing places end with the names they began with: only a journal rewritten after
    // each step can tell those apart.
    EXPECT_TRUE(NeedsCheckpoints({{"a", "PREb"}, {"b", "a"}, {"PREb", "b"}}));
}

// A run killed at any change it makes (a rename, a written or a deleted file), then run again, ends
// exactly as one whole run ends.
class Killed {};

class KillingFiles : public PosixFiles {
public:
    int countdown = 0;  // kills at this many changes from now; 0 never
    int changes = 0;

    bool Rename(const std::string& from, const std::string& to) override {
        Tick();
        return PosixFiles::Rename(from, to);
    }
    bool WriteFile(const std::string& path, std::string_view content) override {
        Tick();
        return PosixFiles::WriteFile(path, content);
    }
    bool DeleteFile(const std::string& path) override {
        Tick();
        return PosixFiles::DeleteFile(path);
    }
    // A mass run's batch stages its files, flushes them, and gives them their names.
    std::optional<std::string> StageFile(const std::string& path, std::string_view content,
                                         bool nameFree) override {
        Tick();
        return PosixFiles::StageFile(path, content, nameFree);
    }
    bool SyncFileSystems(const std::vector<std::string>& folders) override {
        Tick();
        return PosixFiles::SyncFileSystems(folders);
    }
    bool SyncFileSystemsAgain() override {
        Tick();
        return PosixFiles::SyncFileSystemsAgain();
    }
    bool PlaceStagedFile(const std::string& scratch, const std::string& path) override {
        Tick();
        return PosixFiles::PlaceStagedFile(scratch, path);
    }

private:
    void Tick() {
        ++changes;
        if (countdown > 0 && --countdown == 0) throw Killed{};
    }
};

struct Layout {
    const char* name;
    std::function<std::string(const testkit::TempFolder&, std::string& database)> build;  // the image
    std::string finalImage;  // where the image ends, below the collection
};

std::string Entry(const std::string& title, const HeaderBlock& header, int tracks) {
    return title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks) + "\r\n";
}

std::vector<Layout> Layouts() {
    return {
        {"ISO with MP3 tracks numbered from 01",
         [](const testkit::TempFolder& c, std::string& db) {
             const HeaderBlock header = testkit::BuildHeader({});
             c.Write("alpha/Track 01.mp3", testkit::Mp3Track(1));
             c.Write("alpha/Track 02.mp3", testkit::Mp3Track(2));
             c.Write("alpha/Track 03.mp3", testkit::Mp3Track(3));
             db += Entry("Alpha Game", header, 3);
             return c.Write("alpha/alpha.iso", testkit::CookedImage(header, 2));
         },
         "Alpha_Game/Alpha_Game.iso"},
        {"multi-track set",
         [](const testkit::TempFolder& c, std::string& db) {
             testkit::HeaderSpec fields;
             fields.salt = 2;
             const HeaderBlock header = testkit::BuildHeader(fields);
             PosixFiles files;
             testkit::WriteMultiTrackSet(files, c.MakeFolder("set"), "Set (USA)",
                                         testkit::RawImage(header, 2), 3);
             db += Entry("Set Disc", header, 3);
             return c / "set/Set (USA) (Track 01).bin";
         },
         "Set_Disc/Set_Disc.bin"},
        {"tracks that swap names",
         [](const testkit::TempFolder& c, std::string& db) {
             testkit::HeaderSpec fields;
             fields.salt = 3;
             const HeaderBlock header = testkit::BuildHeader(fields);
             c.Write("swap/T_03.bin", testkit::AudioTrackBin(2));
             c.Write("swap/T_02.bin", testkit::AudioTrackBin(3));
             c.Write("swap/swap.cue", testkit::MultiTrackCueSheet({"data.bin", "T_03.bin", "T_02.bin"}));
             db += Entry("T", header, 2);
             return c.Write("swap/data.bin", testkit::RawImage(header, 2));
         },
         "T/T.bin"},
    };
}

struct KillRun {
    KillingFiles files;
    testkit::StartFolderProgram start{{&files}};
    testkit::TempFolder collection;
    std::string image;

    explicit KillRun(const Layout& layout) : KillRun(std::vector<Layout>{layout}) {}
    /// Every layout in one collection; `image` is the first one's.
    explicit KillRun(const std::vector<Layout>& layouts) {
        std::string database = "1\r\n";
        for (const Layout& layout : layouts) {
            const std::string built = layout.build(collection, database);
            if (image.empty()) image = built;
        }
        start.dir.Write("DATA.KVX", database);
        start.dir.Write("DEVELOPPER.KVX", "1\r\n");
        start.dir.Write("Cartovex.ini",
                        "UpdateSite=\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\n"
                        "TOGGLE_FIXCUE=on\r\nTOGGLE_UNDERSCORE=on\r\n");
    }

    // One whole command of the command-line program, in a fresh program as a new process would be.
    int Run(const std::vector<std::string>& args) {
        std::filesystem::current_path(start.dir.Path());
        testkit::TestProgram test(testkit::TestProgram::Custom{&files});
        CommandHandler handler{test.program};
        std::ostringstream out, err;
        CliContext context{test.program,
                           handler,
                           out,
                           err,
                           [&](std::string path) { test.dialogs.QueueOpenFile(std::move(path)); },
                           [&](std::string path) { test.dialogs.QueueFolder(std::move(path)); }};
        try {
            const int status = RunCli(context, args);
            lastOutput = out.str();
            return status;
        } catch (const Killed&) {
            lastOutput = out.str();
            return -1;
        }
    }
    std::string lastOutput;

    // Where the user finds the image to run again on: under its old name, else under its new name
    // in its old folder, else where a whole run puts it.
    std::string Again(const Layout& layout) const {
        namespace fs = std::filesystem;
        const fs::path old(image);
        const fs::path renamed = old.parent_path() / fs::path(layout.finalImage).filename();
        if (fs::exists(old)) return image;
        if (fs::exists(renamed)) return renamed.string();
        return collection / layout.finalImage;
    }
};

TEST(KilledRun, TheNextRunAlwaysEndsAsOneWholeRun) {
    for (const Layout& layout : Layouts()) {
        SCOPED_TRACE(layout.name);
        std::vector<std::string> whole;
        int changes = 0;
        {
            KillRun run(layout);
            ASSERT_EQ(run.Run({"process", run.image}), CLI_OK) << run.lastOutput;
            whole = run.collection.Snapshot();
            changes = run.files.changes;
        }
        for (int kill = 1; kill <= changes; ++kill) {
            SCOPED_TRACE("killed at change " + std::to_string(kill));
            KillRun run(layout);
            run.files.countdown = kill;
            ASSERT_EQ(run.Run({"process", run.image}), -1);
            EXPECT_EQ(run.Run({"process", run.Again(layout)}), CLI_OK) << run.lastOutput;
            EXPECT_EQ(run.collection.Snapshot(), whole) << run.lastOutput;
            EXPECT_EQ(run.Run({"process", run.collection / layout.finalImage}), CLI_OK) << run.lastOutput;
            EXPECT_EQ(run.collection.Snapshot(), whole);
        }
    }
}

// A mass run finds the journal a killed run left and finishes that run before it looks further.
TEST(KilledRun, AMassRunFinishesItFirst) {
    const Layout layout = Layouts()[0];
    KillRun reference(layout);
    ASSERT_EQ(reference.Run({"mass", reference.collection.Path()}), CLI_OK);
    for (const int kill : {2, 4, 6}) {
        KillRun run(layout);
        run.files.countdown = kill;
        ASSERT_EQ(run.Run({"process", run.image}), -1);
        EXPECT_EQ(run.Run({"mass", run.collection.Path()}), CLI_OK) << run.lastOutput;
        EXPECT_NE(run.lastOutput.find("An interrupted run was finished: its files have their new names."),
                  std::string::npos)
            << run.lastOutput;
        EXPECT_EQ(run.collection.Snapshot(), reference.collection.Snapshot()) << kill;
    }
}

// A mass run over every layout, killed at any change it makes, its batch's included (a file staged,
// the flush, a file taking its name), then run again, ends exactly as one whole mass run ends.
TEST(KilledRun, AMassRunKilledAnywhereInItsBatchEndsAsOneWholeRun) {
    std::vector<std::string> whole;
    int changes = 0;
    {
        KillRun run(Layouts());
        ASSERT_EQ(run.Run({"mass", run.collection.Path()}), CLI_OK) << run.lastOutput;
        whole = run.collection.Snapshot();
        changes = run.files.changes;
    }
    for (int kill = 1; kill <= changes; ++kill) {
        SCOPED_TRACE("killed at change " + std::to_string(kill) + " of " + std::to_string(changes));
        KillRun run(Layouts());
        run.files.countdown = kill;
        ASSERT_EQ(run.Run({"mass", run.collection.Path()}), -1);
        EXPECT_EQ(run.Run({"mass", run.collection.Path()}), CLI_OK) << run.lastOutput;
        // The files staged when the kill came carry this process's number, so only the next
        // process removes them (the strace tests see it do so).
        auto after = run.collection.Snapshot();
        std::erase_if(after,
                      [](const std::string& row) { return row.find("/.cartovex-") != std::string::npos; });
        EXPECT_EQ(after, whole) << run.lastOutput;
    }
}

// The run killed for real, by the kernel, at each rename system call it makes.
TEST(KilledRun, TheRealProgramKilledAtEveryRenameCanBeFinished) {
    ASSERT_EQ(std::system("command -v strace > /dev/null"), 0) << "strace is needed (Debian package strace)";
    const Layout layout = Layouts()[0];
    std::vector<std::string> whole;
    {
        KillRun run(layout);
        ASSERT_EQ(run.Run({"process", run.image}), CLI_OK);
        whole = run.collection.Snapshot();
    }
    for (int kill = 1;; ++kill) {
        SCOPED_TRACE("killed at rename " + std::to_string(kill));
        KillRun run(layout);
        const std::string command = "cd '" + run.start.dir.Path() +
                                    "' && ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e "
                                    "inject=rename,renameat,renameat2:signal=KILL:when=" +
                                    std::to_string(kill) + " '" + testkit::BinaryDir() +
                                    "/src/programs/cli/cartovex-cli' process '" + run.image +
                                    "' > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        if (status == 0) break;  // the run has fewer renames than that: every one was tried
        ASSERT_LT(kill, 100);
        EXPECT_EQ(run.Run({"process", run.Again(layout)}), CLI_OK) << run.lastOutput;
        // A file being written when the kill came was a scratch file of its own: the next run removed it.
        EXPECT_EQ(run.collection.Snapshot(), whole) << run.lastOutput;
    }
}

}  // namespace
}  // namespace cartovex
