#include <gtest/gtest.h>

#include "outputs/CueSheet.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"

namespace cartovex {
namespace {

TEST(SectorSize, RawWinsWhenTheLengthFitsBoth) {
    const std::pair<uint64_t, std::optional<int>> cases[] = {
        {2048 * 16, 2048}, {2352 * 16, 2352},       {301056, 2352},
        {0, 2352},         {1000000, std::nullopt}, {2048 * 16 + 1, std::nullopt},
    };
    for (const auto& [length, size] : cases) EXPECT_EQ(SectorSizeForLength(length), size) << length;
}

// The image is written straight into a folder the program treats as analysed: the sheet only
// needs the names, the extension and the current folder.
class CueSheetGeneration : public ::testing::Test {
protected:
    explicit CueSheetGeneration(Files* files = nullptr) : bench(files) {}

    void Image(const std::string& name, const std::string& bytes, const std::string& title) {
        bench.images.Write(name, bytes);
        disc.fileName = name;
        disc.extension = AsciiLower(name.substr(name.size() - 3));
        disc.displayName = title;
        bench.program().files().SetCurrentDirectory(bench.images.Path());
    }
    std::vector<std::string> Generate() {
        const size_t before = bench.program().pane.Text().size();
        GenerateCueSheet(bench.program());
        return bench.NewLines(before);
    }

    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
    const HeaderBlock header = testkit::BuildHeader({});
};

TEST_F(CueSheetGeneration, ARawBinWithTwoMp3Tracks) {
    Image("Star_Quest.bin", testkit::RawImage(header), "Star_Quest");
    bench.images.Write("Star_Quest_03.mp3", testkit::Mp3Track(3));
    bench.images.Write("Star_Quest_02.mp3", testkit::Mp3Track(2));
    bench.images.Write("Star_Quest_04.wav", testkit::WavTrack(4));
    EXPECT_EQ(Generate(), std::vector<std::string>{"CUE sheet generated."});
    EXPECT_EQ(bench.images.Read("Star_Quest.CUE"),
              "FILE \"Star_Quest.bin\" BINARY\r\n"
              "  TRACK 01 MODE1/2352\r\n"
              "    INDEX 01 00:00:00\r\n"
              "FILE \"Star_Quest_02.mp3\" MP3\r\n"
              "  TRACK 02 AUDIO\r\n"
              "    PREGAP 00:02:00\r\n"
              "    INDEX 01 00:00:00\r\n"
              "FILE \"Star_Quest_03.mp3\" MP3\r\n"
              "  TRACK 03 AUDIO\r\n"
              "    INDEX 01 00:00:00\r\n");
}

// Every companion kind is listed: WAV, OGG and FLAC tracks as WAVE. An old sheet of the name is
// replaced, not appended to.
TEST_F(CueSheetGeneration, EveryCompanionKindIsListedAndAnOldSheetIsReplaced) {
    const std::string dataTrack =
        "FILE \"Game Title.iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n";
    for (const std::string kind : {"wav", "ogg", "flac"}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(bench.images.Path());
        Image("Game Title.iso", testkit::CookedImage(header), "Game Title");
        bench.images.Write("Game Title 02." + kind, "audio");
        bench.images.Write("Game Title 03." + kind, "audio");
        bench.images.Write("Game Title.CUE", std::string(4000, 'x'));
        EXPECT_EQ(Generate(), std::vector<std::string>{"CUE sheet generated."});
        EXPECT_EQ(bench.images.Read("Game Title.CUE"),
                  dataTrack + "FILE \"Game Title 02." + kind +
                      "\" WAVE\r\n  TRACK 02 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:00\r\n"
                      "FILE \"Game Title 03." +
                      kind + "\" WAVE\r\n  TRACK 03 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    }
}

TEST_F(CueSheetGeneration, OnlyTheFirstAudioTrackHasAPregap) {
    Image("T.bin", testkit::RawImage(header), "T");
    for (int i = 2; i <= 13; ++i) bench.images.Write("T_" + std::to_string(i + 10) + ".mp3", "ID3");
    Generate();
    const std::string sheet = bench.images.Read("T.CUE");
    EXPECT_EQ(sheet.find("PREGAP"), sheet.rfind("PREGAP"));
    EXPECT_NE(sheet.find("  TRACK 02 AUDIO\r\n    PREGAP 00:02:00\r\n"), std::string::npos);
    EXPECT_NE(sheet.find("FILE \"T_23.mp3\" MP3\r\n  TRACK 13 AUDIO\r\n    INDEX 01 00:00:00\r\n"),
              std::string::npos);
}

TEST_F(CueSheetGeneration, AnImageOfNoSectorSizeOrAnArchiveGetsNoSheet) {
    Image("T.bin", std::string(1000000, '\0'), "T");
    EXPECT_EQ(Generate(), std::vector<std::string>{
                              "CUE sheet CAN'T be generated the sector size of the image is invalid."});
    EXPECT_FALSE(bench.images.Exists("T.CUE"));

    Image("T.zip", std::string(2048, '\0'), "T");
    EXPECT_TRUE(Generate().empty());
    EXPECT_FALSE(bench.images.Exists("T.CUE"));
}

struct SpyHolder {
    testkit::SpyFiles spy;
};

class FailingCueSheetGeneration : protected SpyHolder, public CueSheetGeneration {
protected:
    FailingCueSheetGeneration() : CueSheetGeneration(&spy) {}
};

TEST_F(FailingCueSheetGeneration, AFailedWriteOrAnUnreadableImageIsReported) {
    Image("T.iso", testkit::CookedImage(header), "T");
    spy.Fail("WriteFile", "T.CUE");
    EXPECT_EQ(Generate(), std::vector<std::string>{"CUE sheet could not be written."});
    spy.ClearFailures();
    spy.Fail("FileLength", "T.iso");
    EXPECT_EQ(Generate(), std::vector<std::string>{"CUE sheet could not be written."});
    EXPECT_FALSE(bench.images.Exists("T.CUE"));
}

}  // namespace
}  // namespace cartovex
