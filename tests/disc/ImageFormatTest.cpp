#include <gtest/gtest.h>
#include <sys/stat.h>

#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"

namespace cartovex {
namespace {

TEST(ImageFormat, TheLastArrangementThatAppliesWins) {
    struct Case {
        std::vector<std::string> files;
        std::string format;
        int tracks;
    };
    const std::vector<Case> cases = {
        {{"game.bin", "track02.mp3"}, "BIN+MP3", 1},
        {{"GAME.BIN", "TRACK02.MP3", "TRACK03.Mp3"}, "BIN+MP3", 2},
        {{"game.bin", "a.mp3", "b.wav"}, "BIN+WAV", 1},
        {{"game.bin", "game.cue", "t2.wav", "t3.wav"}, "BIN+CUE", 3},  // the sheet counts, not the .wav files
        {{"game.iso", "a.wav", "b.wav"}, "ISO+WAV", 2},
        {{"game.iso", "a.wav", "b.mp3", "c.mp3"}, "ISO+MP3", 2},
        {{"game.raw", "a.mp3", "b.mp3"}, "RAW+MP3", 2},
        {{"game.raw", "a.mp3", "b.wav"}, "RAW+WAV", 1},
        {{"game.bin", "game.iso", "a.mp3"}, "ISO+MP3", 1},  // the .mp3 counts for the .iso as well
        {{"game.bin", "game.iso", "game.cue"}, "BIN+CUE", 3},
        {{"game.iso", "game.cue"}, "", 0},
        {{"game.raw", "game.cue"}, "", 0},
        {{"game.iso"}, "", 0},
        {{"game.bin"}, "", 0},
        {{"game.raw"}, "", 0},
        {{"x.zip"}, "", 0},
        {{"x.zip", "a.mp3"}, "", 0},
        {{"a.mp3", "b.wav"}, "", 0},
        {{"game.bin.txt", "a.mp3"}, "", 0},
        // OGG, else FLAC, count only where there are neither MP3 nor WAV tracks.
        {{"game.iso", "a.ogg", "b.ogg", "c.flac"}, "ISO+OGG", 2},
        {{"game.iso", "a.flac", "b.FLAC"}, "ISO+FLAC", 2},
        {{"game.bin", "a.OGG"}, "BIN+OGG", 1},
        {{"game.raw", "a.flac"}, "RAW+FLAC", 1},
        {{"game.iso", "a.ogg", "b.mp3"}, "ISO+MP3", 1},
        {{"game.raw", "a.ogg", "b.wav"}, "RAW+WAV", 1},
        {{"game.bin", "game.cue", "a.ogg"}, "BIN+CUE", 3},
        {{"a.ogg"}, "", 0},
    };
    for (const auto& c : cases) {
        testkit::AnalysisBench bench;
        for (const std::string& name : c.files)
            bench.images.Write(name, name.ends_with(".cue") ? testkit::CueSheet("game.bin", 3) : "x");
        ASSERT_TRUE(bench.program().files().SetCurrentDirectory(bench.images.Path()));
        Program& p = bench.program();
        p.disc.cueFile =
            FindImageSheet(p.files(), FolderListing::OfCurrentFolder(p.files()).Names(), "game.bin");
        EXPECT_EQ(DetectImageFormat(p.files()), c.format) << c.files[0] << " " << c.files.size();
        CountAudioTracks(p);
        EXPECT_EQ(p.disc.audioTracks, c.tracks) << c.files[0] << " " << c.files.size();
    }
}

TEST(ImageFormat, OnlyOrdinaryVisibleFilesCount) {
    testkit::AnalysisBench bench;
    bench.images.Write("game.iso", "x");
    bench.images.Write(".hidden.mp3", "x");
    bench.images.MakeFolder("folder.mp3");
    ASSERT_EQ(mkfifo((bench.images / "pipe.mp3").c_str(), 0600), 0);
    ASSERT_TRUE(bench.program().files().SetCurrentDirectory(bench.images.Path()));
    EXPECT_EQ(DetectImageFormat(bench.program().files()), "");
    bench.images.Write("real.mp3", "x");
    EXPECT_EQ(DetectImageFormat(bench.program().files()), "ISO+MP3");
    CountAudioTracks(bench.program());
    EXPECT_EQ(bench.program().disc.audioTracks, 1);
}

TEST(CueAudioLines, OnlyUpperCaseAudioCountsOnEveryLineEnd) {
    EXPECT_EQ(CountCueAudioLines(testkit::CueSheet("a.bin", 4)), 4);
    EXPECT_EQ(CountCueAudioLines(testkit::CueSheet("a.bin", 4, "\n")), 4);
    EXPECT_EQ(CountCueAudioLines(testkit::CueSheet("a.bin", 4, "\r")), 4);
    EXPECT_EQ(CountCueAudioLines("  TRACK 02 audio\r\n  TRACK 03 Audio\r\n"), 0);
    EXPECT_EQ(CountCueAudioLines("REM AUDIO AUDIO\r\nTRACK 02 AUDIO"), 2);
    EXPECT_EQ(CountCueAudioLines(""), 0);
}

}  // namespace
}  // namespace cartovex
