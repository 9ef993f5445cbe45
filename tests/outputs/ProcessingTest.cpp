#include <gtest/gtest.h>

#include "outputs/CueRepair.h"
#include "outputs/Processing.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"

namespace cartovex {
namespace {

using Lines = std::vector<std::string>;

// Real files on a medium that takes no change below `root`: every write, delete, rename and
// attribute change there fails, the way a read-only disc or share answers even a root user.
class ReadOnlyMedia : public PosixFiles {
public:
    std::string root;

    bool WriteFile(const std::string& path, std::string_view content) override {
        return !Inside(path) && PosixFiles::WriteFile(path, content);
    }
    bool DeleteFile(const std::string& path) override {
        return !Inside(path) && PosixFiles::DeleteFile(path);
    }
    bool Rename(const std::string& from, const std::string& to) override {
        return !Inside(from) && !Inside(to) && PosixFiles::Rename(from, to);
    }
    bool ReplaceFile(const std::string& from, const std::string& to) override {
        return !Inside(to) && PosixFiles::ReplaceFile(from, to);
    }
    bool ClearAttributes(const std::string& path) override {
        return !Inside(path) && PosixFiles::ClearAttributes(path);
    }

private:
    bool Inside(const std::string& path) const {
        const std::string full = path.starts_with('/') ? path : CurrentDirectory() + "/" + path;
        return !root.empty() && full.starts_with(root + "/");
    }
};

// Real files whose Exists answers as a case-insensitive file system (NTFS, FAT) would.
class CaseBlindExists : public PosixFiles {
public:
    bool Exists(const std::string& path) const override {
        const size_t cut = path.rfind('/');
        const std::string folder = cut == std::string::npos ? CurrentDirectory() : path.substr(0, cut);
        const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        for (const std::string& entry : ListTopLevel(folder))
            if (EqualsIgnoringAsciiCase(entry, name)) return true;
        return PosixFiles::Exists(path);
    }
};

// Real files on a share that refuses to rename folders, whatever their new name.
class NoFolderRenames : public PosixFiles {
public:
    bool Rename(const std::string& from, const std::string& to) override {
        return !std::filesystem::is_directory(from) && PosixFiles::Rename(from, to);
    }
};

struct FilesHolder {
    ReadOnlyMedia media;
    CaseBlindExists caseBlind;
    NoFolderRenames noFolderRenames;
};

class Processing : public ::testing::Test {
protected:
    explicit Processing(Files* files = nullptr) : bench(files) {}

    // Writes an image into `folder`, makes the database know it as `title` with as many tracks as
    // the analysis counts beside it, and analyses it. Companions are written first.
    void Analysed(const std::string& folder, const std::string& image, const std::string& title,
                  bool raw = true) {
        const HeaderBlock header = testkit::BuildHeader({});
        const std::string bytes = raw ? testkit::RawImage(header) : testkit::CookedImage(header);
        const std::string path = bench.images.Write(folder + "/" + image, bytes);
        bench.Analyse(path);
        bench.Know(title, header, disc.audioTracks);
        bench.Analyse(path);
        ASSERT_NE(disc.matchIndex, NONE_VALUE);
    }
    void Track(const std::string& path, int number) {
        bench.images.Write(path,
                           path.ends_with(".wav") ? testkit::WavTrack(number) : testkit::Mp3Track(number));
    }
    void Toggle(int id, bool on) { bench.window().SetMenuItemState(id, on ? MENU_CHECKED : MENU_ENABLED); }
    Lines Process() {
        const size_t before = bench.program().pane.Text().size();
        ProcessImage(bench.program());
        return bench.NewLines(before);
    }
    std::string Cwd() { return bench.program().files().CurrentDirectory(); }
    // Every file and folder below the images folder, with its size and checksum.
    std::vector<std::string> Tree() const { return bench.images.Snapshot(); }
    std::vector<std::string> Names() const {
        auto rows = Tree();
        for (std::string& row : rows) row = row.substr(0, row.find('='));
        return rows;
    }

    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
};

TEST_F(Processing, NumberingFromOneShiftsAndEveryOutputTakesTheTitle) {
    Track("Some Folder/Track 01.mp3", 1);
    Track("Some Folder/Track 02.MP3", 2);
    Track("Some Folder/Track 03.wav", 3);  // MP3 tracks win: the WAV stays as it is
    Analysed("Some Folder", "GAME.BIN", "Game Title");

    EXPECT_EQ(Process(),
              (Lines{"KVX_INFO.TXT generated.", "CUE sheet generated.", "Folder renamed.", "Process done."}));
    EXPECT_EQ(bench.images.Read("Game_Title/Game_Title_02.mp3"), testkit::Mp3Track(1));
    EXPECT_EQ(bench.images.Read("Game_Title/Game_Title_03.mp3"), testkit::Mp3Track(2));
    EXPECT_EQ(bench.images.Read("Game_Title/Track 03.wav"), testkit::WavTrack(3));
    EXPECT_TRUE(bench.images.Exists("Game_Title/Game_Title.bin"));
    EXPECT_NE(
        bench.images.Read("Game_Title/Game_Title.CUE").find("FILE \"Game_Title_03.mp3\" MP3\r\n  TRACK 03"),
        std::string::npos);
    EXPECT_NE(bench.images.Read("Game_Title/KVX_INFO.TXT").find("\r\nDatabase Name       : Game_Title\r\n"),
              std::string::npos);
    EXPECT_EQ(Tree().size(), 7u);  // the folder and its six files
    EXPECT_EQ(disc.displayName, "Game_Title");
    EXPECT_EQ(disc.fileName, "Game_Title.bin");
    EXPECT_EQ(disc.folderName, "Game_Title");
    EXPECT_EQ(Cwd(), bench.images / "Game_Title");
    EXPECT_TRUE(bench.start.Exists("Cartovex.ini"));

    // A second run finds every name in place and ends with the same folder. (The report differs:
    // the folder now holds a CUE sheet, which changes the image format it names.)
    auto withoutReport = [this] {
        auto rows = Tree();
        std::erase_if(rows,
                      [](const std::string& row) { return row.find("KVX_INFO.TXT") != std::string::npos; });
        return rows;
    };
    const auto first = withoutReport();
    EXPECT_EQ(Process().back(), "Process done.");
    EXPECT_EQ(withoutReport(), first);
    EXPECT_EQ(Cwd(), bench.images / "Game_Title");
}

TEST_F(Processing, NumberingFromTwoStaysAndAOneDigitNumberKeepsItsBlank) {
    Track("disc/Track 3.mp3", 3);
    Track("disc/Track 04.mp3", 4);
    Analysed("disc", "game.iso", "Game Title", false);
    Process();
    EXPECT_EQ(bench.images.Read("Game_Title/Game_Title_ 3.mp3"), testkit::Mp3Track(3));
    EXPECT_EQ(bench.images.Read("Game_Title/Game_Title_04.mp3"), testkit::Mp3Track(4));
}

TEST_F(Processing, WithoutUnderscoresTheBlanksStay) {
    Track("disc/a 02.wav", 2);
    Analysed("disc", "GAME.BIN", "Game Title");
    Toggle(CMD_TOGGLE_UNDERSCORE, false);
    Process();
    EXPECT_EQ(Names(), (Lines{"Game Title/", "Game Title/Game Title 02.wav", "Game Title/Game Title.CUE",
                              "Game Title/Game Title.bin", "Game Title/KVX_INFO.TXT"}));
    EXPECT_NE(bench.images.Read("Game Title/Game Title.CUE").find("FILE \"Game Title.bin\" BINARY"),
              std::string::npos);
}

TEST_F(Processing, TheDupeMarkerIsInEveryNewName) {
    bench.start.Write("KVX_HAVE.TXT", "Game Title\r\n");
    Track("disc/x 02.mp3", 2);
    Analysed("disc", "x.bin", "Game Title");
    ASSERT_EQ(disc.displayName, "Game Title(DUPE)");
    Process();
    for (const char* name :
         {"Game_Title(DUPE)/Game_Title(DUPE).bin", "Game_Title(DUPE)/Game_Title(DUPE)_02.mp3",
          "Game_Title(DUPE)/Game_Title(DUPE).CUE"})
        EXPECT_TRUE(bench.images.Exists(name)) << name;
}

TEST_F(Processing, ABinWithItsOwnSheetIsRepairedInItsFolder) {
    bench.images.Write("disc/track.cue", testkit::CueSheet("track.bin", 2));
    Analysed("disc", "track.bin", "Game Title");
    Toggle(CMD_TOGGLE_FIX_CUE, true);
    Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
    EXPECT_EQ(Process(),
              (Lines{"KVX_INFO.TXT generated.", "Fixing of BIN/CUE cue sheet finished.", "Process done."}));
    EXPECT_EQ(Cwd(), bench.images / "disc");
    EXPECT_EQ(bench.images.Read("disc/Game_Title.cue"),
              RepairedCueSheetText(testkit::CueSheet("track.bin", 2), {{"track.bin", "Game_Title.bin"}}));
    EXPECT_FALSE(bench.images.Exists("disc/track.cue"));
    EXPECT_FALSE(bench.images.Exists("disc/Game_Title.CUE"));
    EXPECT_NE(bench.start.Read("Cartovex.ini").find("TOGGLE_RENAMEFOLDER=off\r\n"), std::string::npos);
}

// A sheet of the generated sheet's own name is one an earlier run generated: the second run writes
// it again as the first did. A sheet of any other name is the user's and stays the image's own.
TEST_F(Processing, TheGeneratedSheetIsGeneratedAgainAndTheUsersOwnIsKept) {
    struct Case {
        const char* what;
        std::string ownSheet;  // written beside the image before the first run
        std::string second;    // the sheet line of the second run
    };
    const std::vector<Case> cases = {
        {"no sheet of its own", "", "CUE sheet generated."},
        {"the user's sheet", "game.cue", "CUE sheet not generated, the image has its own: game.cue"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bench.program().database = {};  // every case's image has the same header
        const std::string folder = std::string("disc ") + (c.ownSheet.empty() ? "a" : "b");
        Track(folder + "/Track 02.mp3", 2);
        if (!c.ownSheet.empty())
            bench.images.Write(
                folder + "/" + c.ownSheet,
                "FILE \"game.iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n");
        Analysed(folder, "game.iso", "Star Quest " + folder, false);
        Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
        Toggle(CMD_TOGGLE_GENERATE_CUE, true);
        const Lines first = Process();
        bench.Analyse(bench.images / (folder + "/" + disc.fileName));
        Toggle(CMD_TOGGLE_GENERATE_CUE, true);
        const Lines second = Process();
        EXPECT_EQ(second[1], c.second) << testing::PrintToString(second);
        EXPECT_EQ(first[1], c.second) << testing::PrintToString(first);
    }
}

// A FILE line past 127 bytes is cut by some emulators: processing still writes it, and says so once,
// whether it generated, followed or repaired the sheet.
TEST_F(Processing, AFileLineLongerThan127BytesIsWrittenAndReportedOnce) {
    struct Case {
        const char* what;
        size_t titleLength;
        bool ownSheet, fix;
        bool warned;
    };
    // FILE "title.bin" BINARY: 18 bytes around the title.
    const std::vector<Case> cases = {
        {"generated, 127 bytes", 109, false, false, false},
        {"generated, 128 bytes", 110, false, false, true},
        {"followed and repaired", 140, true, true, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bench.program().database = {};  // every case's image has the same header
        const std::string folder = "long " + std::to_string(++n);
        if (c.ownSheet) bench.images.Write(folder + "/game.cue", testkit::CueSheet("game.bin", 0));
        Analysed(folder, "game.bin", std::string(c.titleLength - 1, 'T') + std::to_string(n % 10));
        Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
        Toggle(CMD_TOGGLE_GENERATE_CUE, !c.ownSheet);
        Toggle(CMD_TOGGLE_FIX_CUE, c.fix);
        const Lines lines = Process();
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "CUE sheet line longer than 127 characters: some emulators cut it."),
                  c.warned ? 1 : 0)
            << testing::PrintToString(lines);
        EXPECT_EQ(lines.back(), "Process done.");
    }
}

// Playlists come from outside: one that is too big, binary, or names itself or files elsewhere is
// left as it was, with one line each, and the run goes on; a plain one beside it follows.
TEST_F(Processing, OddPlaylistsAreLeftAsTheyWereAndTheRunGoesOn) {
    const std::vector<std::pair<std::string, std::string>> odd = {
        {"Big.m3u", "game.iso\r\n" + std::string(10u << 20, '#')},
        {"Binary.m3u", std::string("game.iso\r\n\0\xFF\x01", 13)},
        {"Long.m3u", "game.iso\r\n" + std::string(10000, 'x') + "\r\n"},
        {"Outside.m3u", "game.iso\r\n../Other/game.iso\r\n/abs/game.iso\r\n"},
        {"Self.m3u", "game.iso\r\nSelf.m3u\r\n"},
    };
    for (const auto& [name, content] : odd) bench.images.Write("disc/" + name, content);
    bench.images.Write("disc/Good.m3u", "#EXTM3U\ngame.iso\n");
    Analysed("disc", "game.iso", "Star Quest", false);
    Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
    const Lines lines = Process();
    EXPECT_EQ(lines, (Lines{"Playlist Big.m3u left as it is: it is larger than 1 MiB.",
                            "Playlist Binary.m3u left as it is: it holds bytes that are no text.",
                            "Playlist Long.m3u left as it is: a line is longer than 4096 characters.",
                            "Playlist Outside.m3u left as it is: it names a file outside its folder.",
                            "Playlist Self.m3u left as it is: it lists itself.", "KVX_INFO.TXT generated.",
                            "CUE sheet generated.", "Process done."}));
    for (const auto& [name, content] : odd) EXPECT_EQ(bench.images.Read("disc/" + name), content) << name;
    EXPECT_EQ(bench.images.Read("disc/Good.m3u"), "#EXTM3U\nStar_Quest.iso\n");
}

TEST_F(Processing, UnusableTitlesStopBeforeAnythingChanges) {
    for (const std::string title :
         {"Sub/Game", "..", "Game \"Two\"", "Game\rTitle", "CON", "Game\\Title", "Ends."}) {
        SCOPED_TRACE(title);
        bench.program().database = {};
        Track("disc/t 02.mp3", 2);
        Analysed("disc", "game.bin", title);
        const auto before = Tree();
        std::string shown = title;
        std::replace(shown.begin(), shown.end(), ' ', '_');
        EXPECT_EQ(Process(), Lines{"Title can't be used as a file name: " + shown});
        EXPECT_EQ(Tree(), before);
        EXPECT_FALSE(bench.start.Exists("Cartovex.ini"));
        EXPECT_EQ(disc.fileName, "game.bin");
    }
}

TEST_F(Processing, TakenNamesStopBeforeTheFirstRename) {
    struct Case {
        std::vector<std::string> files;  // besides disc/GAME.BIN
        std::string taken;
    };
    const Case cases[] = {
        {{"disc/Game_Title.bin", "disc/t 02.mp3"}, "Game_Title.bin"},             // a second image
        {{"disc/t 02.mp3", "disc/u 02.mp3"}, "Game_Title_02.mp3"},                // two tracks numbered 02
        {{"disc/t 01.mp3", "disc/Game_Title_02.mp3/keep"}, "Game_Title_02.mp3"},  // a folder of that name
        {{"disc/t 02.mp3", "disc/PREGame_Title_02.mp3/keep"}, "PREGame_Title_02.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.taken);
        std::filesystem::remove_all(bench.images / "disc");
        bench.program().database = {};
        for (const std::string& file : c.files) Track(file, 2);
        Analysed("disc", "GAME.BIN", "Game Title");
        const auto before = Tree();
        EXPECT_EQ(Process(), Lines{"Can't rename, " + c.taken + " exists already."});
        EXPECT_EQ(Tree(), before);
        EXPECT_EQ(disc.fileName, "GAME.BIN");
    }
}

TEST_F(Processing, AFolderOfTheTitleElsewhereIsNeverEntered) {
    bench.images.Write("Game_Title/track.cue", "FILE \"other.bin\" BINARY\r\n");
    bench.images.Write("Game_Title/other.bin", "not ours");
    const auto other = bench.images.Snapshot();
    bench.images.Write("disc/track.cue", testkit::CueSheet("track.bin", 1));
    Analysed("disc", "track.bin", "Game Title");
    Toggle(CMD_TOGGLE_FIX_CUE, true);
    EXPECT_EQ(Process(),
              (Lines{"KVX_INFO.TXT generated.", "Folder could not be renamed, Game_Title exists already.",
                     "Fixing of BIN/CUE cue sheet finished.", "Process done."}));
    EXPECT_EQ(Cwd(), bench.images / "disc");
    EXPECT_EQ(disc.folderName, "disc");
    EXPECT_TRUE(bench.images.Exists("disc/Game_Title.cue"));
    for (const std::string& row : other)
        EXPECT_NE(std::find(Tree().begin(), Tree().end(), row), Tree().end()) << row;
}

TEST_F(Processing, AnUnidentifiedImageIsNotProcessed) {
    bench.Analyse(bench.images.Write("disc/x.iso", testkit::CookedImage(testkit::BuildHeader({}))));
    const auto before = Tree();
    EXPECT_EQ(ProcessImage(bench.program()), ProcessOutcome::NOT_IDENTIFIED);
    EXPECT_EQ(Tree(), before);
}

// A multi-track set whose sheet can't say which file is which track is refused whole.
TEST_F(Processing, ASheetNumberingTracksWronglyRefusesTheWholeSet) {
    const std::pair<std::string, std::string> cases[] = {
        {"FILE \"a.bin\" BINARY\r\n  TRACK 100 AUDIO\r\n",
         "The CUE sheet numbers a track above 99, nothing renamed."},
        {"FILE \"a.bin\" BINARY\r\n  TRACK 02 AUDIO\r\nFILE \"b.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n",
         "The CUE sheet gives two files track 02, nothing renamed."},
    };
    for (const auto& [tail, refusal] : cases) {
        SCOPED_TRACE(refusal);
        std::filesystem::remove_all(bench.images / "set");
        bench.program().database = {};
        bench.images.Write("set/a.bin", testkit::AudioTrackBin(2));
        bench.images.Write("set/b.bin", testkit::AudioTrackBin(3));
        bench.images.Write("set/set.cue", "FILE \"data.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n" + tail);
        Analysed("set", "data.bin", "Set Title");
        const auto before = Tree();
        EXPECT_EQ(Process(), Lines{refusal});
        EXPECT_EQ(Tree(), before);
    }
}

// FILE lines naming anything but a file beside the image are reported and left alone; the rest of
// the set is renamed, and nothing outside the image's folder moves.
TEST_F(Processing, OnlyFilesBesideTheImageAreRenamed) {
    bench.images.Write("outside.bin", "outside");
    bench.images.Write("set/sub.bin/keep", "a folder named like a track");
    bench.images.Write("set/Track 02.bin", testkit::AudioTrackBin(2));
    bench.images.Write("set/track 03.bin", testkit::AudioTrackBin(3));
    const std::string sheet =
        "FILE \"data.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
        "FILE \"TRACK 02.BIN\" BINARY\r\n  TRACK 02 AUDIO\r\n"  // another case of the file's name
        "FILE \"../outside.bin\" BINARY\r\n  TRACK 04 AUDIO\r\n"
        "FILE \"" +
        bench.images / "outside.bin" +
        "\" BINARY\r\n  TRACK 05 AUDIO\r\n"
        "FILE \"sub.bin\" BINARY\r\n  TRACK 06 AUDIO\r\n"
        "FILE \"set.cue\" BINARY\r\n  TRACK 07 AUDIO\r\n"
        "FILE \"gone.bin\" BINARY\r\n  TRACK 08 AUDIO\r\n"
        "FILE \"track 03.bin\" BINARY\r\n  TRACK 03 AUDIO\r\n"
        "FILE \"track 03.bin\" BINARY\r\n  TRACK 09 AUDIO\r\n";  // one file named twice
    bench.images.Write("set/set.cue", sheet);
    Analysed("set", "data.bin", "Set Title");
    Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
    const auto lines = Process();
    EXPECT_EQ(lines, (Lines{"CUE sheet: ../outside.bin is no file in the image's folder, left as it is.",
                            "CUE sheet: " + bench.images / "outside.bin" +
                                " is no file in the image's folder, left as it is.",
                            "CUE sheet: sub.bin is no file in the image's folder, left as it is.",
                            "CUE sheet: set.cue is a CUE sheet, not a track, left as it is.",
                            "CUE sheet: gone.bin is no file in the image's folder, left as it is.",
                            "KVX_INFO.TXT generated.", "Process done."}));
    EXPECT_EQ(bench.images.Read("outside.bin"), "outside");
    EXPECT_EQ(bench.images.Read("set/Set_Title_02.bin"), testkit::AudioTrackBin(2));
    EXPECT_EQ(bench.images.Read("set/Set_Title_03.bin"), testkit::AudioTrackBin(3));
    EXPECT_TRUE(bench.images.Exists("set/Set_Title.bin"));
    EXPECT_TRUE(bench.images.Exists("set/sub.bin/keep"));
    std::string expected = sheet;
    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"data.bin", "Set_Title.bin"},
                                                          {"TRACK 02.BIN", "Set_Title_02.bin"},
                                                          {"track 03.bin", "Set_Title_03.bin"},
                                                          {"track 03.bin", "Set_Title_03.bin"}})
        expected.replace(expected.find("\"" + from + "\""), from.size() + 2, "\"" + to + "\"");
    EXPECT_EQ(bench.images.Read("set/set.cue"), expected);
}

// Tracks whose new names are each other's old ones change places through a name aside.
TEST_F(Processing, TracksSwappingNamesStepAsideFirst) {
    bench.images.Write("set/T_03.bin", testkit::AudioTrackBin(2));
    bench.images.Write("set/T_02.bin", testkit::AudioTrackBin(3));
    bench.images.Write("set/set.cue", testkit::MultiTrackCueSheet({"data.bin", "T_03.bin", "T_02.bin"}));
    Analysed("set", "data.bin", "T");
    Toggle(CMD_TOGGLE_RENAME_FOLDER, false);
    EXPECT_EQ(Process().back(), "Process done.");
    EXPECT_EQ(bench.images.Read("set/T_02.bin"), testkit::AudioTrackBin(2));
    EXPECT_EQ(bench.images.Read("set/T_03.bin"), testkit::AudioTrackBin(3));
    EXPECT_EQ(bench.images.Read("set/set.cue"),
              testkit::MultiTrackCueSheet({"T.bin", "T_02.bin", "T_03.bin"}));
}

// The start folder holds the settings and the reference files: neither it nor a folder holding it
// is ever renamed after a disc.
TEST_F(Processing, TheStartFolderKeepsItsName) {
    Analysed("disc", "game.iso", "Game Title", false);
    bench.program().startFolder = bench.images / "disc/work";
    bench.images.MakeFolder("disc/work");
    EXPECT_EQ(Process(), (Lines{"KVX_INFO.TXT generated.", "CUE sheet generated.",
                                "Folder not renamed, it holds the start folder.", "Process done."}));
    EXPECT_TRUE(bench.images.Exists("disc/Game_Title.iso"));

    bench.program().startFolder = bench.images / "disc";
    Analysed("disc", "Game_Title.iso", "Game Title", false);
    EXPECT_EQ(Process()[2], "Folder not renamed, it holds the start folder.");
    EXPECT_TRUE(bench.images.Exists("disc/Game_Title.iso"));
}

class ReadOnlyProcessing : protected FilesHolder, public Processing {
protected:
    ReadOnlyProcessing() : Processing(&media) {}
};

TEST_F(ReadOnlyProcessing, EveryFailedStepSaysSoAndNothingIsLost) {
    Track("disc/t 02.mp3", 2);
    Analysed("disc", "GAME.BIN", "Game Title");
    media.root = bench.images.Path();
    const auto before = Tree();
    // The first rename that fails stops the run before any sheet or report names a new name.
    EXPECT_EQ(Process(), (Lines{"The rename journal could not be written; renaming without it.",
                                "t 02.mp3 could not be renamed.",
                                "Processing stopped, every file keeps its old name."}));
    EXPECT_EQ(Tree(), before);
    EXPECT_EQ(disc.fileName, "GAME.BIN");
    EXPECT_EQ(disc.folderName, "disc");
    EXPECT_EQ(Cwd(), bench.images / "disc");
}

TEST_F(Processing, AFolderRenameRefusedForATakenNameSaysWhichName) {
    // What the title's name is taken by, beside the image's folder.
    const std::pair<std::string, std::string> cases[] = {
        {"Game_Title/KVX_INFO.TXT", "a folder (an earlier copy of the disc)"},
        {"Game_Title", "a file"},
    };
    for (const auto& [taken, what] : cases) {
        SCOPED_TRACE(what);
        std::filesystem::remove_all(bench.images / "disc");
        std::filesystem::remove_all(bench.images / "Game_Title");
        bench.program().database = {};
        bench.images.Write(taken, "kept");
        Analysed("disc", "game.iso", "Game Title", false);
        EXPECT_EQ(Process(),
                  (Lines{"KVX_INFO.TXT generated.", "CUE sheet generated.",
                         "Folder could not be renamed, Game_Title exists already.", "Process done."}));
        EXPECT_EQ(bench.images.Read(taken), "kept");
        EXPECT_EQ(Cwd(), bench.images / "disc");
    }
}

// The sheet this run generates is the image's own: the repair that follows has nothing to look for.
TEST_F(Processing, AJustGeneratedSheetIsNotSoughtAgainByTheRepair) {
    Track("disc/t 02.wav", 2);
    Analysed("disc", "GAME.BIN", "Game Title");
    Toggle(CMD_TOGGLE_FIX_CUE, true);
    EXPECT_EQ(Process(),
              (Lines{"KVX_INFO.TXT generated.", "CUE sheet generated.", "Folder renamed.", "Process done."}));
    const std::string sheet = bench.images.Read("Game_Title/Game_Title.CUE");
    EXPECT_NE(sheet.find("FILE \"Game_Title.bin\" BINARY"), std::string::npos);
    EXPECT_NE(sheet.find("FILE \"Game_Title_02.wav\" WAVE"), std::string::npos);
}

class FolderRenamesRefused : protected FilesHolder, public Processing {
protected:
    FolderRenamesRefused() : Processing(&noFolderRenames) {}
};

TEST_F(FolderRenamesRefused, ARefusalWithTheNameFreeSaysNoMore) {
    Analysed("disc", "game.iso", "Game Title", false);
    EXPECT_EQ(Process(), (Lines{"KVX_INFO.TXT generated.", "CUE sheet generated.",
                                "Folder could not be renamed.", "Process done."}));
    EXPECT_EQ(Cwd(), bench.images / "disc");
}

class CaseBlindProcessing : protected FilesHolder, public Processing {
protected:
    CaseBlindProcessing() : Processing(&caseBlind) {}
};

TEST_F(CaseBlindProcessing, ANameThatDiffersOnlyInCaseIsTheFilesOwn) {
    Track("disc/GAME_TITLE_02.MP3", 2);
    Analysed("disc", "GAME_TITLE.BIN", "Game Title");
    EXPECT_EQ(Process().back(), "Process done.");
    EXPECT_EQ(Names(), (Lines{"Game_Title/", "Game_Title/Game_Title.CUE", "Game_Title/Game_Title.bin",
                              "Game_Title/Game_Title_02.mp3", "Game_Title/KVX_INFO.TXT"}));
}

TEST_F(CaseBlindProcessing, ANameTakenInAnotherCaseStopsTheRun) {
    Track("disc/t 02.mp3", 2);
    bench.images.Write("disc/GAME_TITLE.BIN", "another image");
    Analysed("disc", "x.bin", "Game Title");
    EXPECT_EQ(Process(), Lines{"Can't rename, Game_Title.bin exists already."});
}

}  // namespace
}  // namespace cartovex
