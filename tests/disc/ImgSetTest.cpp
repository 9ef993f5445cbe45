#include <gtest/gtest.h>

#include "disc/ImgSet.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"

namespace cartovex {
namespace {

using Lines = std::vector<std::string>;

const std::string CONTROL_FILE =
    "[CloneCD]\r\nVersion=3\r\n[Disc]\r\nTocEntries=6\r\n[TRACK 1]\r\nMODE=1\r\nINDEX 1=0\r\n"
    "[TRACK 2]\r\nMODE=0\r\nINDEX 1=5000\r\n[TRACK 3]\r\nMODE=0\r\nINDEX 1=9000\r\n";

// Each layout an .img is kept in, analysed as the user opens it, and whether a mass run lists it.
TEST(ImgAnalysis, AnImgIsAnImageOnlyWhereASheetOrAControlFileClaimsIt) {
    struct Case {
        const char* what;
        bool raw;
        std::vector<std::pair<std::string, std::string>> beside;  // name, content
        std::string format;                                       // empty: rejected
        int audioTracks;
    };
    const std::string sheet2352 =
        "FILE \"game.img\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n"
        "  TRACK 02 AUDIO\r\n    INDEX 01 10:00:00\r\n";
    const std::vector<Case> cases = {
        {"cue+img, raw", true, {{"game.cue", sheet2352}}, "IMG+CUE", 1},
        {"cue+img, cooked",
         false,
         {{"Game.CUE", "FILE \"GAME.IMG\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n"}},
         "IMG+CUE",
         0},
        {"CloneCD set",
         true,
         {{"game.ccd", CONTROL_FILE}, {"game.sub", std::string(96, '\0')}},
         "IMG+CCD",
         2},
        {"a lone img", true, {}, "", 0},
        {"a .ccd that is no control file", true, {{"game.ccd", "just some notes\r\n"}}, "", 0},
        {"a control file of another stem", true, {{"other.ccd", CONTROL_FILE}}, "", 0},
        {"a sheet naming the img as an audio track",
         true,
         {{"game.cue",
           "FILE \"data.bin\" BINARY\n  TRACK 01 MODE1/2352\nFILE \"game.img\" BINARY\n"
           "  TRACK 02 AUDIO\n"}},
         "",
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testkit::AnalysisBench bench;
        const HeaderBlock header = testkit::BuildHeader({});
        const std::string path =
            bench.images.Write("game.img", c.raw ? testkit::RawImage(header) : testkit::CookedImage(header));
        for (const auto& [name, content] : c.beside) bench.images.Write(name, content);

        const Lines lines = bench.Analyse(path);
        PosixFiles files;
        const auto listed = ListedImages(files, bench.images.Path());
        if (c.format.empty()) {
            EXPECT_EQ(lines, Lines{"This is not a Sega CD Image! File will be ignored."});
            EXPECT_TRUE(listed.empty());
            continue;
        }
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "Opened (game.img) Successfully!");
        EXPECT_EQ(lines[1], c.format + " detected! CUE generation has been turned off.");
        EXPECT_NE(std::find(lines.begin(), lines.end(), "Image Format        : " + c.format), lines.end());
        EXPECT_EQ(bench.program().disc.audioTracks, c.audioTracks);
        EXPECT_EQ(bench.program().disc.crc32, HeaderChecksum(header));
        EXPECT_EQ(listed, Lines{path});
    }
}

}  // namespace
}  // namespace cartovex
