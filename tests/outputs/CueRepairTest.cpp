#include <gtest/gtest.h>

#include "outputs/CueRepair.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"

namespace cartovex {
namespace {

const std::string STAR_QUEST_FILE_LINE = "FILE \"Star_Quest.bin\" BINARY";

TEST(RepairedCueSheetText, EveryLineEndKindGivesTheSameLines) {
    const std::string expected =
        STAR_QUEST_FILE_LINE + "\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    for (std::string end : {"\r\n", "\n", "\r"}) {
        const std::string sheet =
            "FILE \"track.bin\" BINARY" + end + "  TRACK 01 MODE1/2352" + end + "    INDEX 01 00:00:00" + end;
        EXPECT_EQ(RepairedCueSheetText(sheet, {{"track.bin", "Star_Quest.bin"}}), expected)
            << int(end.back());
    }
}

// A multi-track sheet: each FILE line takes its own file's new name and keeps its type, whatever
// case the keyword is in; lines that merely hold the letters FILE are not FILE lines.
TEST(RepairedCueSheetText, EachFileLineNamesItsOwnFileAndKeepsItsType) {
    const std::string sheet =
        "REM made from FILE list\r\nTITLE \"FILE\"\r\nfile \"a.bin\" binary\r\n  TRACK 01 MODE1/2352\r\n"
        "\tFILE b.bin   BINARY\r\n  TRACK 02 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n"
        "FILE \"c d.wav\" WAVE\r\n  TRACK 03 AUDIO\r\nFILE other.bin\r\n";
    EXPECT_EQ(
        RepairedCueSheetText(sheet, {{"A.BIN", "T.bin"}, {"b.bin", "T_02.bin"}, {"c d.wav", "T_03.wav"}}),
        "REM made from FILE list\r\nTITLE \"FILE\"\r\nFILE \"T.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"
        "FILE \"T_02.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n"
        "FILE \"T_03.wav\" WAVE\r\n  TRACK 03 AUDIO\r\nFILE \"other.bin\" BINARY\r\n");
}

// Genesis Plus GX and the MiSTer core match FILE, TRACK and INDEX case-sensitively at a line's start:
// a mark in front or a lower-case keyword loses the track there.
TEST(RepairedCueSheetText, ABomOrLowerCaseSheetComesOutInTheFormEveryEmulatorReads) {
    struct Case {
        const char* what;
        std::string sheet, repaired;
    };
    const std::vector<Case> cases = {
        {"a byte-order mark",
         "\xEF\xBB\xBF"
         "FILE \"a.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n",
         "FILE \"T.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n"},
        {"a mark in front of a comment", "\xEF\xBB\xBFREM x\nFILE a.bin BINARY\n",
         "REM x\r\nFILE \"T.bin\" BINARY\r\n"},
        // A converter run twice stacks its marks; a repaired sheet has none, so it repairs to itself.
        {"two marks", "\xEF\xBB\xBF\xEF\xBB\xBF", "\r\n"},
        {"two marks in front of a FILE line",
         "\xEF\xBB\xBF\xEF\xBB\xBF"
         "FILE a.bin BINARY\n",
         "FILE \"T.bin\" BINARY\r\n"},
        {"lower-case keywords",
         "rem genre Action\nfile a.bin binary\n  track 01 mode1/2352\n    index 01 00:00:00\n"
         "file \"b c.wav\" wave\n  track 02 audio\n  flags dcp\n  title \"quiet song\"\n  unknown thing\n",
         "REM genre Action\r\nFILE \"T.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
         "FILE \"T_02.wav\" WAVE\r\n  TRACK 02 AUDIO\r\n  FLAGS DCP\r\n  TITLE \"quiet song\"\r\n"
         "  unknown thing\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RepairedCueSheetText(c.sheet, {{"a.bin", "T.bin"}, {"b c.wav", "T_02.wav"}}), c.repaired);
    }
}

class CueRepair : public ::testing::Test {
protected:
    explicit CueRepair(Files* files = nullptr) : bench(files) {}

    // A BIN+CUE folder whose image already carries the title, as processing leaves it.
    void Folder(const std::string& cueName, const std::string& sheet,
                const std::string& binName = "Star_Quest.bin") {
        bench.images.Write(binName, testkit::RawImage(testkit::BuildHeader({})));
        bench.images.Write(cueName, sheet);
        disc.fileName = binName;
        disc.extension = "bin";
        disc.displayName = "Star_Quest";
        disc.cueFile = cueName;
        bench.program().files().SetCurrentDirectory(bench.images.Path());
    }
    std::vector<std::string> Repair() {
        const size_t before = bench.program().pane.Text().size();
        RepairCueSheet(bench.program());
        return bench.NewLines(before);
    }

    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
    const std::vector<std::string> finished{"Fixing of BIN/CUE cue sheet finished."};
};

TEST_F(CueRepair, TheSheetIsSavedUnderTheTitleAndTheOldOneGoes) {
    Folder("game.CUE", testkit::CueSheet("track.bin", 2));
    EXPECT_EQ(Repair(), finished);
    EXPECT_FALSE(bench.images.Exists("game.CUE"));
    EXPECT_EQ(bench.images.Read("Star_Quest.cue"),
              RepairedCueSheetText(testkit::CueSheet("track.bin", 2), {{"track.bin", "Star_Quest.bin"}}));
    EXPECT_EQ(bench.images.Read("Star_Quest.cue").rfind(STAR_QUEST_FILE_LINE + "\r\n  TRACK 01", 0), 0u);
    EXPECT_EQ(disc.cueFile, "Star_Quest.cue");
}

TEST_F(CueRepair, ASheetAlreadyUnderTheTitleIsRewrittenInPlace) {
    Folder("Star_Quest.cue", testkit::CueSheet("track.bin", 1, "\n"));
    EXPECT_EQ(Repair(), finished);
    EXPECT_EQ(bench.images.Read("Star_Quest.cue"),
              RepairedCueSheetText(testkit::CueSheet("track.bin", 1), {{"track.bin", "Star_Quest.bin"}}));
}

TEST_F(CueRepair, ACaseOnlyDifferentNameIsASecondFileOnACaseSensitiveDisc) {
    Folder("Star_Quest.CUE", testkit::CueSheet("track.bin", 1, "\r"));
    EXPECT_EQ(Repair(), finished);
    EXPECT_FALSE(bench.images.Exists("Star_Quest.CUE"));
    EXPECT_TRUE(bench.images.Exists("Star_Quest.cue"));
}

TEST_F(CueRepair, LongSheetsAreHeldWhole) {
    std::string sheet;
    for (int i = 0; i < 10000; ++i)
        sheet += (i % 3 == 0 ? "FILE \"x.bin\" BINARY" : "REM " + std::to_string(i)) + "\r\n";
    Folder("big.cue", sheet);
    EXPECT_EQ(Repair(), finished);
    const std::string repaired = bench.images.Read("Star_Quest.cue");
    EXPECT_EQ(std::count(repaired.begin(), repaired.end(), '\n'), 10000);
    EXPECT_NE(repaired.find("\r\nREM 9998\r\n" + STAR_QUEST_FILE_LINE + "\r\n"), std::string::npos);
}

TEST_F(CueRepair, AnEmptyOrMissingSheetIsReportedAndLeftAlone) {
    Folder("empty.cue", "");
    EXPECT_EQ(Repair(), std::vector<std::string>{"Could not find a concording CUE sheet to this BIN."});
    EXPECT_TRUE(bench.images.Exists("empty.cue"));
    EXPECT_FALSE(bench.images.Exists("Star_Quest.cue"));
    EXPECT_EQ(disc.cueFile, "empty.cue");

    disc.cueFile = "gone.cue";
    EXPECT_EQ(Repair(), std::vector<std::string>{"Could not find a concording CUE sheet to this BIN."});
}

TEST_F(CueRepair, OtherFormatsAreLeftAloneSilently) {
    // A BIN+WAV folder: the sheet the analysis found has gone since.
    Folder("game.cue", testkit::CueSheet("track.bin", 1));
    std::filesystem::remove(bench.images / "game.cue");
    bench.images.Write("Star_Quest_02.wav", testkit::WavTrack(2));
    const auto before = bench.images.Snapshot();
    EXPECT_TRUE(Repair().empty());
    EXPECT_EQ(bench.images.Snapshot(), before);
}

struct SpyHolder {
    testkit::SpyFiles spy;
};

class FailingCueRepair : protected SpyHolder, public CueRepair {
protected:
    FailingCueRepair() : CueRepair(&spy) {}
};

TEST_F(FailingCueRepair, AFailedWriteKeepsTheOldSheet) {
    Folder("game.cue", testkit::CueSheet("track.bin", 1));
    const auto before = bench.images.Snapshot();
    spy.Fail("WriteFile", "Star_Quest.cue");
    EXPECT_EQ(Repair(), std::vector<std::string>{"CUE sheet could not be repaired."});
    EXPECT_EQ(bench.images.Snapshot(), before);
    EXPECT_EQ(disc.cueFile, "game.cue");
    EXPECT_EQ(spy.Calls("DeleteFile"), 0);
}

}  // namespace
}  // namespace cartovex
