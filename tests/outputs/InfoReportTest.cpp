#include <gtest/gtest.h>

#include "disc/Decoders.h"
#include "outputs/InfoReport.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"

namespace cartovex {
namespace {

class InfoReport : public ::testing::Test {
protected:
    explicit InfoReport(Files* files = nullptr) : bench(files) {}

    // An identified ISO in its own folder, analysed, so the folder is current.
    void AnalyseDisc(testkit::HeaderSpec fields) {
        const HeaderBlock header = testkit::BuildHeader(fields);
        bench.Know("Star Quest", header, 0);
        bench.Analyse(bench.images.Write("Star Quest/game.iso", testkit::CookedImage(header)));
        ASSERT_NE(disc.matchIndex, NONE_VALUE);
    }

    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
};

TEST_F(InfoReport, TwentyFourLinesInTheFieldListingsLayout) {
    testkit::HeaderSpec fields;
    fields.systemVersion = 0;
    fields.localName = "STAR QUEST";
    AnalyseDisc(fields);
    disc.crc32 = 0x0000ABCD;
    disc.audioTracks = 3;
    disc.tracksMismatch = SET_VALUE;
    disc.displayName = "Star_Quest";
    bench.images.Write("Star Quest/KVX_INFO.TXT", std::string(5000, 'x'));  // an older, longer report

    ASSERT_TRUE(WriteInfoReport(bench.program()));
    const std::string rule(75, '-');
    const std::string expected =
        "Cartovex v3.55 - made by the Cartovex Team, http://www.cartovex.example.org\r\n" + rule + "\r\n" +
        "Generated           : 03-05-2026 09:04:01\r\n"
        "Database Name       : Star_Quest\r\n" +
        rule + "\r\n" +
        "Boot System         : SEGADISCSYSTEM  \r\n"
        "CD Type             : SEGADATADIS\r\n"
        "System Name         : SEGASYSTEM \r\n"
        "System Version      : 0\r\n"
        "System Needed       : SEGA MEGA DRIVE \r\n"
        "Copyright Info      : (C)SEGA 1994.JAN\r\n"
        "Local Name          : STAR QUEST" +
        std::string(38, ' ') + "\r\n" + "World Name          : TEST DISC" + std::string(39, ' ') + "\r\n" +
        "Software Type       : GM\r\n"
        "Software Version    : " +
        disc.softwareVersion + "\r\n" + "Supported Device(s) : " + DecodeDevices(disc) + "\r\n" +
        "Develloped by       : " + DecodePublisher(disc, bench.program().developers) + "\r\n" +
        "Region Code         : " + DecodeRegion(disc) + "\r\n" + "Reference ID        : " + disc.referenceId +
        "\r\n" +
        "Time Stamp          : 01011994\r\n"
        "Image Format        : \r\n"
        "CRC32 Checksum      : ABCD\r\n"
        "Audio Track(s)      : 3 (SOME MISSING)\r\n" +
        rule + "\r\n";
    EXPECT_EQ(bench.images.Read("Star Quest/KVX_INFO.TXT"), expected);
}

TEST_F(InfoReport, TracksWithoutTheMismatchFlagAndTheFormatWorkedOutAgain) {
    AnalyseDisc({});
    disc.audioTracks = 0;
    disc.tracksMismatch = NONE_VALUE;
    bench.images.Write("Star Quest/Star Quest 02.mp3", "ID3");
    const std::string text = InfoReportText(bench.program());
    EXPECT_NE(text.find("\r\nAudio Track(s)      : 0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nImage Format        : ISO+MP3\r\n"), std::string::npos);
}

// The spy must be built before the program that uses it.
struct SpyHolder {
    testkit::SpyFiles spy;
};

class FailingInfoReport : protected SpyHolder, public InfoReport {
protected:
    FailingInfoReport() : InfoReport(&spy) {}
};

TEST_F(FailingInfoReport, AFailedWriteIsReportedAndKeepsTheOldReport) {
    AnalyseDisc({});
    bench.images.Write("Star Quest/KVX_INFO.TXT", "old report\r\n");
    spy.Fail("WriteFile", "KVX_INFO.TXT");
    EXPECT_FALSE(WriteInfoReport(bench.program()));
    EXPECT_EQ(bench.images.Read("Star Quest/KVX_INFO.TXT"), "old report\r\n");
}

}  // namespace
}  // namespace cartovex
