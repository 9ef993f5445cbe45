// The command-line program's process, mass and update commands against faults of a real file
// system: a read-only folder, a full one, a name taken or a file turned into a folder behind the
// program's back, and the program killed in the middle of a mass run. Whatever happens, every file
// of the collection keeps its bytes, under its old name or under the new one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/CommandLine.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "testkit/BuildPaths.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

namespace fs = std::filesystem;

const char* const ALL_TOGGLES_ON =
    "UpdateSite=127.0.0.1\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\n"
    "TOGGLE_FIXCUE=on\r\nTOGGLE_UNDERSCORE=on\r\n";

// A snapshot row is "path=size:crc"; the content part says whether a file's bytes survived.
std::string ContentOf(const std::string& row) {
    return row.substr(row.rfind('='));
}

std::multiset<std::string> Contents(const std::vector<std::string>& rows) {
    std::multiset<std::string> contents;
    for (const std::string& row : rows)
        if (row.back() != '/') contents.insert(ContentOf(row));
    return contents;
}

bool IsScratch(const std::string& row) {
    return row.find("/.cartovex-") != std::string::npos || row.starts_with(".cartovex-");
}

std::string CliProgram() {
    return testkit::BinaryDir() + "/src/programs/cli/cartovex-cli";
}

bool IsSheet(const std::string& row) {
    return EndsWithIgnoringAsciiCase(row.substr(0, row.rfind('=')), ".cue");
}

// Every file there was before is there after, bytes intact, and not only as a scratch file; what
// is new is only what processing writes (or `others`, files that appeared during the run). A CUE
// sheet and a report are the files processing rewrites: the repair replaces a sheet by its
// repaired copy, and a report carries the time it was written.
void ExpectNothingLost(const std::vector<std::string>& before, const std::vector<std::string>& after,
                       const std::set<std::string>& others = {}) {
    std::multiset<std::string> kept;
    for (const std::string& row : after)
        if (row.back() != '/' && !IsScratch(row)) kept.insert(ContentOf(row));
    std::multiset<std::string> mustSurvive;
    for (const std::string& row : before)
        if (row.back() != '/' && !IsSheet(row) && row.find("KVX_INFO.TXT=") == std::string::npos)
            mustSurvive.insert(ContentOf(row));
    for (const std::string& content : mustSurvive) {
        auto it = kept.find(content);
        ASSERT_NE(it, kept.end()) << "lost a file of " << content;
        kept.erase(it);
    }
    for (const std::string& row : after) {
        if (row.back() == '/' || IsScratch(row)) continue;
        const std::string name = row.substr(0, row.rfind('='));
        const bool written = name.ends_with("KVX_INFO.TXT") || IsSheet(row) || others.count(name) > 0;
        if (Contents(before).count(ContentOf(row)) == 0) {
            EXPECT_TRUE(written) << "unexpected " << row;
        }
    }
}

class FaultInjection : public ::testing::Test {
protected:
    struct Disc {
        std::string title, folder, image;
    };

    void SetUp() override {
        start.dir.Write("Cartovex.ini", ALL_TOGGLES_ON);
        std::filesystem::current_path(start.dir.Path());
    }

    // Discs in folders of their own, with tracks or a sheet, all known to the database.
    std::vector<Disc> WriteCollection(int count) {
        std::vector<Disc> discs;
        std::string database = "7\r\n";
        for (int i = 0; i < count; ++i) {
            testkit::HeaderSpec fields;
            fields.salt = static_cast<uint32_t>(i + 1);
            const HeaderBlock header = testkit::BuildHeader(fields);
            Disc disc{"Game " + PlainNumber(i), collection / ("Disc" + PlainNumber(i)), ""};
            int tracks = 0;
            if (i % 2 == 0) {
                disc.image =
                    collection.Write("Disc" + PlainNumber(i) + "/disc.iso", testkit::CookedImage(header, 1));
                tracks =
                    static_cast<int>(testkit::WriteAudioTracks(files, disc.folder, "disc", "mp3", 2).size());
            } else {
                disc.image =
                    collection.Write("Disc" + PlainNumber(i) + "/disc.bin", testkit::RawImage(header, 1));
                collection.Write("Disc" + PlainNumber(i) + "/disc.cue", testkit::CueSheet("disc.bin", 0));
            }
            database +=
                disc.title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks) + "\r\n";
            discs.push_back(disc);
        }
        start.dir.Write("DATA.KVX", database);
        return discs;
    }

    int Run(std::vector<std::string> args) {
        std::filesystem::current_path(start.dir.Path());
        out.str("");
        auto test = std::make_unique<testkit::TestProgram>(spy);
        Program& program = test->program;
        CommandHandler handler{program};
        CliContext context{program,
                           handler,
                           out,
                           err,
                           [&](std::string path) { test->dialogs.QueueOpenFile(std::move(path)); },
                           [&](std::string path) { test->dialogs.QueueFolder(std::move(path)); }};
        return RunCli(context, args);
    }

    bool Printed(const std::string& line) const { return out.str().find(line + "\n") != std::string::npos; }

    // True for a path inside the collection, a bare name counting as the current folder's.
    std::function<bool(const std::string&)> InCollection() const {
        const std::string root = collection.Path();
        return [root](const std::string& path) {
            const std::string full =
                path.find('/') == std::string::npos ? fs::current_path().string() + "/" + path : path;
            return full.compare(0, root.size() + 1, root + "/") == 0;
        };
    }

    testkit::StartFolderProgram start;
    testkit::TempFolder collection;
    PosixFiles files;
    testkit::SpyFiles spy;
    std::ostringstream out, err;
};

TEST_F(FaultInjection, AReadOnlyCollectionIsLeftExactlyAsItWas) {
    const auto discs = WriteCollection(2);
    for (const char* method : {"Rename", "WriteFile", "DeleteFile", "ReplaceFile"})
        spy.FailWhen(method, InCollection());
    const auto before = collection.Snapshot();

    // The first failed rename stops the run: no report, no sheet, no folder rename.
    EXPECT_EQ(Run({"process", discs[0].image}), CLI_INCOMPLETE);
    EXPECT_TRUE(Printed("disc 02.mp3 could not be renamed.")) << out.str();
    EXPECT_TRUE(Printed("Processing stopped, every file keeps its old name."));
    EXPECT_FALSE(Printed("KVX_INFO.TXT generated."));
    EXPECT_EQ(collection.Snapshot(), before);

    Run({"mass", collection.Path()});
    EXPECT_TRUE(Printed("disc.bin could not be renamed.")) << out.str();
    EXPECT_EQ(collection.Snapshot(), before);
}

TEST_F(FaultInjection, AReallyReadOnlyCollectionIsLeftExactlyAsItWas) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the injected case covers this";
    const auto discs = WriteCollection(2);
    std::vector<std::string> folders{collection.Path()};
    for (const Disc& disc : discs) folders.push_back(disc.folder);
    for (const std::string& folder : folders)
        fs::permissions(folder, fs::perms::owner_write, fs::perm_options::remove);
    const auto before = collection.Snapshot();
    Run({"mass", collection.Path()});
    EXPECT_EQ(collection.Snapshot(), before) << out.str();
    for (const std::string& folder : folders)
        fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add);
}

// A full disc takes renames but no new file: the images get their names, the reports don't get
// written, and no half-written file is left.
TEST_F(FaultInjection, AFullCollectionDiscLosesNothingAndSaysWhatWasNotWritten) {
    const auto discs = WriteCollection(2);
    spy.FailWhen("WriteFile", InCollection());
    const auto before = collection.Snapshot();
    Run({"mass", collection.Path()});
    EXPECT_TRUE(Printed("KVX_INFO.TXT could not be written.")) << out.str();
    EXPECT_TRUE(Printed("CUE sheet could not be repaired."));
    EXPECT_TRUE(collection.Exists("Game_0/Game_0.iso"));
    const auto after = collection.Snapshot();
    ExpectNothingLost(before, after);
    EXPECT_EQ(Contents(after), Contents(before));
}

TEST_F(FaultInjection, AFullTmpfsLosesNothingAndLeavesNoScratchFile) {
    // Mounting needs privileges the machine may not give; the injected case above always runs.
    const std::string mountPoint = collection.MakeFolder("small");
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs mount here; the injected full-disc case covers this";
    struct Unmount {
        std::string at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{mountPoint};
    testkit::HeaderSpec fields;
    const HeaderBlock header = testkit::BuildHeader(fields);
    ASSERT_TRUE(files.WriteFile(mountPoint + "/Disc/disc.iso", testkit::CookedImage(header, 1)) ||
                (fs::create_directories(mountPoint + "/Disc") &&
                 files.WriteFile(mountPoint + "/Disc/disc.iso", testkit::CookedImage(header, 1))));
    start.dir.Write("DATA.KVX", "7\r\nFull Disc#" + HexForm(HeaderChecksum(header)) + "#0\r\n");
    // Fill what is left.
    for (int i = 0; files.WriteFile(mountPoint + "/filler" + PlainNumber(i), std::string(4096, 'f')); ++i) {
    }
    for (int i = 0; files.WriteFile(mountPoint + "/tiny" + PlainNumber(i), "t"); ++i) {
    }
    const auto before = collection.Snapshot();
    Run({"process", mountPoint + "/Disc/disc.iso"});
    EXPECT_TRUE(Printed("KVX_INFO.TXT could not be written.")) << out.str();
    const auto after = collection.Snapshot();
    ExpectNothingLost(before, after);
    EXPECT_EQ(std::count_if(after.begin(), after.end(), IsScratch), 0);
}

TEST_F(FaultInjection, ANameTakenBehindTheProgramsBackIsNeverReplaced) {
    const auto discs = WriteCollection(2);
    // Once between the name check and the rename, once before the check.
    spy.Before("Rename", "disc.iso", [&] { collection.Write("Disc0/Game_0.iso", "someone else's file"); });
    spy.Before("Exists", "Game_1.bin", [&] { collection.Write("Disc1/Game_1.bin", "another file"); });
    const auto before = collection.Snapshot();
    Run({"mass", collection.Path()});
    // The batch the first disc was planned in stops at the rename and is put back; processed alone
    // again, the disc finds the name taken.
    EXPECT_TRUE(Printed("Can't rename, Game_0.iso exists already.")) << out.str();
    EXPECT_TRUE(Printed("Can't rename, Game_1.bin exists already."));
    EXPECT_FALSE(Printed("Process done."));
    EXPECT_EQ(collection.Read("Disc0/Game_0.iso"), "someone else's file");
    EXPECT_EQ(collection.Read("Disc1/Game_1.bin"), "another file");
    ExpectNothingLost(before, collection.Snapshot(), {"Disc0/Game_0.iso", "Disc1/Game_1.bin"});
}

// A companion's final name taken between the check and the rename: the run puts every file back,
// leaves no temporary name behind and writes no sheet that could list the intruder.
TEST_F(FaultInjection, ACompanionNameTakenMidRunStopsTheRunAndUndoesIt) {
    const auto discs = WriteCollection(1);
    spy.Before("Rename", "PREGame_0_03.mp3", [&] { collection.Write("Disc0/Game_0_03.mp3", "an intruder"); });
    const auto before = collection.Snapshot();
    EXPECT_EQ(Run({"process", discs[0].image}), CLI_INCOMPLETE);
    EXPECT_TRUE(Printed("PREGame_0_03.mp3 could not be renamed.")) << out.str();
    EXPECT_TRUE(Printed("Processing stopped, every file keeps its old name."));
    auto after = collection.Snapshot();
    EXPECT_EQ(collection.Read("Disc0/Game_0_03.mp3"), "an intruder");
    std::erase_if(after, [](const std::string& row) { return row.starts_with("Disc0/Game_0_03.mp3="); });
    EXPECT_EQ(after, before);
}

TEST_F(FaultInjection, AFileTurnedIntoAFolderIsLeftAlone) {
    const auto discs = WriteCollection(3);
    // The first image becomes a folder after the listing, as its header is read; the second disc's
    // report name is a folder.
    spy.Before("ReadAt", "disc.iso", [&] {
        fs::remove(discs[0].image);
        collection.Write("Disc0/disc.iso/inside.txt", "kept");
    });
    collection.Write("Disc1/KVX_INFO.TXT/notes.txt", "mine");
    auto before = collection.Snapshot();
    // The test itself takes that image away.
    std::erase_if(before, [](const std::string& row) { return row.starts_with("Disc0/disc.iso="); });
    Run({"mass", collection.Path()});
    EXPECT_TRUE(Printed("Could not read disc.iso! File will be ignored.")) << out.str();
    EXPECT_TRUE(Printed("KVX_INFO.TXT could not be written."));
    EXPECT_EQ(collection.Read("Disc0/disc.iso/inside.txt"), "kept");
    EXPECT_EQ(collection.Read("Game_1/KVX_INFO.TXT/notes.txt"), "mine");
    EXPECT_TRUE(collection.Exists("Game_2/Game_2.iso"));
    ExpectNothingLost(before, collection.Snapshot(), {"Disc0/disc.iso/inside.txt"});
}

// The update replaces the reference files only by a complete download; a site that can't be
// reached, or a start folder that can't be written, leaves them as they were.
TEST_F(FaultInjection, AnUpdateThatCanNotWriteKeepsTheReferenceFiles) {
    start.dir.Write("DATA.KVX", "7\r\nGame#0#0\r\n");
    start.dir.Write("DEVELOPPER.KVX", "3\r\n1#Dev\r\n");
    const std::string root = start.dir.Path();
    for (const char* method : {"WriteFile", "ReplaceFile", "DeleteFile", "Rename"})
        spy.FailWhen(method, [root](const std::string& path) {
            return path.starts_with(root) || path.find('/') == std::string::npos;
        });
    const auto before = start.dir.Snapshot();
    EXPECT_EQ(Run({"update"}), CLI_OK);
    EXPECT_EQ(start.dir.Snapshot(), before);
}

// The real program, killed while it renames: each file has its old name or its new one, bytes
// intact, and nothing it had read is held only in a scratch file.
TEST_F(FaultInjection, KillingAMassRunLeavesEveryFileUnderItsOldOrItsNewName) {
    WriteCollection(300);
    const auto before = collection.Snapshot();
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        if (chdir(start.dir.Path().c_str()) != 0) _exit(127);
        execl(CliProgram().c_str(), "cartovex-cli", "mass", collection.Path().c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeEnds[1]);
    // Kill it once some discs are done, in the middle of the next one.
    std::string seen;
    char buffer[4096];
    int done = 0;
    while (done < 20) {
        const ssize_t n = read(pipeEnds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, static_cast<size_t>(n));
        done = 0;
        for (size_t at = seen.find("Process done."); at != std::string::npos;
             at = seen.find("Process done.", at + 1))
            ++done;
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeEnds[0]);
    ASSERT_GE(done, 20) << seen;
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed; make the collection bigger";

    const auto after = collection.Snapshot();
    ExpectNothingLost(before, after);
    // Each disc's data track is under its old or its new name.
    for (int i = 0; i < 300; ++i) {
        const std::string old = "Disc" + PlainNumber(i) + (i % 2 == 0 ? "/disc.iso" : "/disc.bin");
        const std::string renamed =
            "Game_" + PlainNumber(i) + "/Game_" + PlainNumber(i) + (i % 2 == 0 ? ".iso" : ".bin");
        const std::string halfway =
            "Disc" + PlainNumber(i) + "/Game_" + PlainNumber(i) + (i % 2 == 0 ? ".iso" : ".bin");
        EXPECT_TRUE(collection.Exists(old) || collection.Exists(renamed) || collection.Exists(halfway)) << i;
    }
}

// The real program under strace, which can trace its system calls and kill it at a chosen one.
class Traced : public FaultInjection {
protected:
    void SetUp() override {
        FaultInjection::SetUp();
        if (RunStrace({"-o", "/dev/null"}, {"about"}) != 0)
            GTEST_SKIP() << "strace can't trace the program here (scripts/install-deps.sh tests installs it)";
    }

    // Runs the program with `args` in the start folder under strace with `options`, and gives
    // back its wait status (strace dies of the signal that killed the program).
    int RunStrace(const std::vector<std::string>& options, const std::vector<std::string>& args) {
        std::vector<std::string> words = {"strace", "-f", "-qq"};
        words.insert(words.end(), options.begin(), options.end());
        words.push_back(CliProgram());
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
            if (chdir(start.dir.Path().c_str()) != 0) _exit(127);
            // LeakSanitizer can't work under a tracer and would fail every sanitized run at its end.
            const char* sanitizer = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS", (std::string(sanitizer ? sanitizer : "") + ":detect_leaks=0").c_str(), 1);
            execvp("strace", argv.data());
            _exit(127);
        }
        int status = -1;
        waitpid(child, &status, 0);
        return status;
    }

    // Every scratch file of a write in the start folder and the collection.
    std::vector<std::string> ScratchFiles() const {
        std::vector<std::string> found;
        for (const testkit::TempFolder* folder : {&start.dir, &collection})
            for (const std::string& row : folder->Snapshot())
                if (IsScratch(row) && row.substr(0, row.rfind('=')).ends_with(".tmp")) found.push_back(row);
        return found;
    }
};

// Killed in the middle of a write, at the flush or at the rename that would put the file in place,
// a run leaves its scratch file; the next run removes it and leaves every file whole.
TEST_F(Traced, AScratchFileOfAKilledRunIsRemovedByTheNextRun) {
    struct Case {
        const char* what;
        std::vector<std::string>
            args;  // "IMAGE" and "COLLECTION" stand for the first image and the collection
        const char* call;
        int when;
    };
    const Case cases[] = {
        {"process, at its first flush", {"process", "IMAGE"}, "fsync", 1},
        {"process, at the generated sheet's flush", {"process", "IMAGE"}, "fsync", 4},
        {"process, at its first replacement", {"process", "IMAGE"}, "rename", 1},
        {"mass, at the flush of its batch's journals and files", {"mass", "COLLECTION"}, "syncfs", 1},
        {"mass, as the first file of its batch takes its name", {"mass", "COLLECTION"}, "rename", 3},
        {"scan, at a list's flush", {"scan", "COLLECTION"}, "fsync", 1},
        {"toggle, at the settings' rename", {"toggle", "log", "off"}, "rename", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& entry : fs::directory_iterator(collection.Path())) fs::remove_all(entry.path());
        const auto discs = WriteCollection(2);
        start.dir.Write("KVX_HAVE.TXT", "old have\r\n");
        std::vector<std::string> args = c.args;
        for (std::string& arg : args) {
            if (arg == "IMAGE") arg = discs[0].image;
            if (arg == "COLLECTION") arg = collection.Path();
        }
        const std::string inject =
            "inject=" + std::string(c.call) + ":signal=KILL:when=" + PlainNumber(c.when);
        const int status =
            RunStrace({"-o", "/dev/null", "-e", "trace=" + std::string(c.call), "-e", inject}, args);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        ASSERT_FALSE(ScratchFiles().empty()) << "the kill came outside a write";
        // Scratch files and a rename journal are the program's own, and the next run's to settle.
        auto before = collection.Snapshot();
        std::erase_if(before, IsScratch);

        EXPECT_EQ(RunStrace({"-o", "/dev/null"}, {"mass", collection.Path()}), 0);
        EXPECT_EQ(ScratchFiles(), std::vector<std::string>{});
        ExpectNothingLost(before, collection.Snapshot());
        EXPECT_TRUE(start.dir.Read("Cartovex.ini").starts_with("UpdateSite=127.0.0.1\r\n"));
        EXPECT_TRUE(start.dir.Read("KVX_HAVE.TXT").ends_with("\r\n"));
    }
}

// A mass run over several discs, committed as one batch, killed at each of its renames in turn (the
// discs' own, the journals' and every written file's taking its name): the next run finishes or
// undoes what each disc's journal records and processes the rest, and the collection ends exactly
// as after one whole run, with nothing lost and nothing of the program's left behind.
TEST_F(Traced, AMassRunKilledAtAnyRenameEndsAsOneWholeRun) {
    auto afresh = [this] {
        for (const auto& entry : fs::directory_iterator(collection.Path())) fs::remove_all(entry.path());
        fs::remove(start.dir / ".cartovex-history");
        WriteCollection(4);
    };
    afresh();
    const std::string trace = start.dir / "trace.txt";
    ASSERT_EQ(RunStrace({"-o", trace, "-e", "trace=syncfs"}, {"mass", collection.Path()}), 0);
    ASSERT_NE(start.dir.Read("trace.txt").find(" syncfs("), std::string::npos)
        << "the run committed no batch";
    // The reports carry the time they were made; they are there or not.
    auto tree = [this] {
        auto rows = collection.Snapshot();
        for (std::string& row : rows)
            if (row.find("/KVX_INFO.TXT=") != std::string::npos) row.erase(row.find('='));
        return rows;
    };
    const auto whole = tree();

    int kills = 0;
    for (int when = 1;; ++when) {
        SCOPED_TRACE("killed at rename " + PlainNumber(when));
        afresh();
        const auto before = collection.Snapshot();
        const int status = RunStrace({"-o", "/dev/null", "-e", "trace=rename,renameat2", "-e",
                                      "inject=rename,renameat2:signal=KILL:when=" + PlainNumber(when)},
                                     {"mass", collection.Path()});
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) break;  // past the run's last rename
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "status " << status;
        ++kills;
        ExpectNothingLost(before, collection.Snapshot());
        ASSERT_EQ(RunStrace({"-o", "/dev/null"}, {"mass", collection.Path()}), 0);
        EXPECT_EQ(tree(), whole);
    }
    // Four journals, the discs' renames, reports, sheets, the settings and the history.
    EXPECT_GT(kills, 16);
}

// A file that replaces another is on the disc before it takes the name: the scratch file is
// created new (never through a link), flushed, renamed, and then its folder is flushed. A run
// processing disc by disc flushes the folder once for the files a step puts there together, before
// it writes in another folder; a mass run may flush the whole file system for a batch of discs
// instead. Either way a journal is on the disc before the first rename in its folder, and stays
// until every file it could write again is.
TEST_F(Traced, EveryReplacedFileIsFlushedBeforeItsRenameAndItsFolderAfter) {
    const auto discs = WriteCollection(2);
    const std::regex opened(R"re(openat\(AT_FDCWD, "([^"]*)", ([A-Z_|]+)(, \d+)?\) += (\d+))re");
    const std::regex flushed(R"re(fsync\((\d+)\) += 0)re");
    const std::regex flushedAll(R"re(syncfs\((\d+)\) += 0)re");
    const std::regex renamed(R"re( rename\("([^"]*)", "([^"]*)"\) += 0)re");
    const std::regex moved(
        R"re(renameat2\(AT_FDCWD, "([^"]*)", AT_FDCWD, "([^"]*)", RENAME_NOREPLACE\) += 0)re");
    const std::regex removed(R"re(unlink\("([^"]*)"\) += 0)re");
    const std::regex entered(R"re(chdir\("([^"]*)"\) += 0)re");
    std::set<std::string> placed;
    bool batched = false;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"process", discs[0].image}, {"mass", collection.Path()}, {"scan", collection.Path()}}) {
        SCOPED_TRACE(args[0]);
        const std::string trace = start.dir / "trace.txt";
        ASSERT_EQ(
            RunStrace({"-o", trace, "-e", "trace=openat,fsync,syncfs,rename,renameat2,unlink,chdir"}, args),
            0);
        std::vector<std::string> lines;
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        const bool wholeDisc = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find(" syncfs(") != std::string::npos;
        });
        batched = batched || wholeDisc;

        // The program writes in its current folder by bare names: every path is made whole here.
        std::string cwd = start.dir.Path();
        auto whole = [&cwd](std::string path) {
            if (path == ".") return cwd;
            if (path.starts_with("./")) path = path.substr(2);
            return path.starts_with('/') ? path : cwd + "/" + path;
        };
        auto folderOf = [](const std::string& path) { return path.substr(0, path.rfind('/')); };
        std::smatch match;
        std::map<std::string, std::string> creationFlags;  // scratch path -> flags, while it waits
        std::map<std::string, std::string> pathOf;         // open descriptor -> path
        std::set<std::string> flushedPaths, unflushed;     // scratch files, flushed and not yet
        std::set<std::string> folderDue;                   // folders whose flush renames call for
        std::set<std::string> journals, journalsUnflushed;
        for (const std::string& line : lines) {
            if (std::regex_search(line, match, entered)) {
                cwd = whole(match[1]);
            } else if (std::regex_search(line, match, opened)) {
                pathOf[match[4]] = whole(match[1]);
                if (match[2].str().find("O_CREAT") != std::string::npos) {
                    creationFlags[whole(match[1])] = match[2];
                    unflushed.insert(whole(match[1]));
                }
            } else if (std::regex_search(line, match, flushed)) {
                flushedPaths.insert(pathOf[match[1]]);
                unflushed.erase(pathOf[match[1]]);
                folderDue.erase(pathOf[match[1]]);
            } else if (std::regex_search(line, match, flushedAll)) {
                flushedPaths.insert(unflushed.begin(), unflushed.end());
                unflushed.clear();
                folderDue.clear();
                journalsUnflushed.clear();
            } else if (std::regex_search(line, match, removed)) {
                const std::string path = whole(match[1]);
                if (path.ends_with("/.cartovex-journal")) {
                    EXPECT_EQ(folderDue.count(folderOf(path)), 0u)
                        << "the journal went before its folder's files were flushed: " << path;
                    journals.erase(path);
                }
            } else if (std::regex_search(line, match, moved) &&
                       match[1].str().find("/.cartovex-") == std::string::npos &&
                       !match[1].str().starts_with(".cartovex-")) {
                // The user's files and folders move; a folder takes the scratch files in it along.
                const std::string from = whole(match[1]), to = whole(match[2]);
                const std::string journal = folderOf(from) + "/.cartovex-journal";
                if (journals.count(journal)) {
                    EXPECT_TRUE(folderDue.count(folderOf(from)) == 0 && journalsUnflushed.count(journal) == 0)
                        << "renamed before its journal was flushed: " << from;
                }
                for (auto* paths : {&flushedPaths, &unflushed, &folderDue, &journals, &journalsUnflushed}) {
                    std::set<std::string> followed;
                    for (const std::string& path : *paths)
                        followed.insert(path == from || path.starts_with(from + "/")
                                            ? to + path.substr(from.size())
                                            : path);
                    *paths = std::move(followed);
                }
                std::map<std::string, std::string> flags;
                for (const auto& [path, flag] : creationFlags)
                    flags[path.starts_with(from + "/") ? to + path.substr(from.size()) : path] = flag;
                creationFlags = std::move(flags);
            } else if (std::regex_search(line, match, renamed) || std::regex_search(line, match, moved)) {
                // A written file takes its name by a rename, or by one that replaces nothing.
                const std::string from = whole(match[1]), to = whole(match[2]);
                // Files put in one folder together may share its flush; a write elsewhere may not
                // wait, unless a flush of the whole file system is to come.
                if (!wholeDisc) {
                    EXPECT_TRUE(folderDue.empty() || *folderDue.begin() == folderOf(from))
                        << "the folder " << *folderDue.begin() << " was not flushed before the run went on";
                }
                ASSERT_NE(from.find("/.cartovex-"), std::string::npos) << line;
                EXPECT_NE(creationFlags[from].find("O_CREAT|O_EXCL|O_NOFOLLOW"), std::string::npos) << from;
                // A journal replaces nothing: it may take its name first, if a flush of the whole
                // file system comes before the first rename in its folder.
                const bool journal = to.ends_with("/.cartovex-journal");
                if (journal && !flushedPaths.count(from))
                    journalsUnflushed.insert(to);
                else
                    EXPECT_EQ(flushedPaths.count(from), 1u) << to << " was not flushed before its rename";
                folderDue.insert(folderOf(to));
                if (journal) journals.insert(to);
                placed.insert(to.substr(to.rfind('/') + 1));
            }
        }
        EXPECT_TRUE(folderDue.empty())
            << "the folder " << *folderDue.begin() << " was not flushed at the end";
    }
    EXPECT_TRUE(batched) << "the mass run flushed disc by disc";
    for (const char* name :
         {"KVX_INFO.TXT", "Game_0.CUE", "Game_1.cue", "Cartovex.ini", "KVX_HAVE.TXT", "KVX_MISS.TXT"})
        EXPECT_EQ(placed.count(name), 1u) << name;
}

// Reference files and settings that are there but can't be read, really so: the scan keeps the
// lists, the settings stay as they are, and each says why.
TEST_F(FaultInjection, FilesInTheStartFolderThatCanNotBeReadAreKeptAndNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file; .ci/run runs this as another user";
    const auto discs = WriteCollection(1);
    start.dir.Write("KVX_HAVE.TXT", "old have\r\n");
    start.dir.Write("KVX_MISS.TXT", "old miss\r\n");
    const auto before = start.dir.Snapshot();
    for (const char* name : {"DATA.KVX", "Cartovex.ini"}) chmod((start.dir / name).c_str(), 0);
    Run({"scan", collection.Path()});
    EXPECT_TRUE(Printed("DATA.KVX could not be read. Rename feature will be disabled.")) << out.str();
    EXPECT_TRUE(Printed("No database is loaded, so KVX_HAVE.TXT and KVX_MISS.TXT are kept as they are."));
    Run({"toggle", "log", "off"});
    EXPECT_TRUE(Printed("Cartovex.ini could not be read. The default settings are used and not saved."))
        << out.str();
    EXPECT_TRUE(Printed("Cartovex.ini could not be read, so it is left as it is."));
    for (const char* name : {"DATA.KVX", "Cartovex.ini"}) chmod((start.dir / name).c_str(), 0644);
    EXPECT_EQ(start.dir.Snapshot(), before);
    EXPECT_EQ(start.dir.Read("Cartovex.ini"), ALL_TOGGLES_ON);
}

TEST_F(FaultInjection, SettingsThatCanNotBeSavedAreReported) {
    const auto discs = WriteCollection(1);
    spy.Fail("WriteFile", "Cartovex.ini");
    Run({"toggle", "log", "off"});
    EXPECT_TRUE(Printed("Cartovex.ini could not be written.")) << out.str();
    Run({"process", discs[0].image});
    EXPECT_TRUE(Printed("Cartovex.ini could not be written.")) << out.str();
    EXPECT_EQ(start.dir.Read("Cartovex.ini"), ALL_TOGGLES_ON);
}

}  // namespace
}  // namespace cartovex
