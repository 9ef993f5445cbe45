// CHD files as collections hold them: made by chdman, during the test, from sets the builder writes.
#include <gtest/gtest.h>

#include "disc/Crc32.h"
#include "disc/RawSector.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdCodecs.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdImage.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/ChdWriter.h"
#include "testkit/Chdman.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

using testkit::TempFolder;

HeaderBlock Disc(const std::string& title) {
    testkit::HeaderSpec fields;
    fields.localName = title;
    return testkit::BuildHeader(fields);
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct ChdmanCase {
    const char* name;
    bool fromIso;
    int audioTracks;
    std::string codecs;
    std::string format;
};

TEST(ChdImage, ChdmanFilesGiveTheChecksumOfTheirSourceImageAndTheTracksOfTheirList) {
    CARTOVEX_REQUIRE_CHDMAN();
    const std::vector<ChdmanCase> cases = {
        {"raw set, chdman's codecs", false, 3, "", "CHD (BIN+CUE)"},
        {"raw set, stored", false, 3, "none", "CHD (BIN+CUE)"},
        {"raw set, cdzl", false, 3, "cdzl", "CHD (BIN+CUE)"},
        {"raw set, cdlz", false, 3, "cdlz", "CHD (BIN+CUE)"},
        {"raw set, cdfl", false, 2, "cdfl", "CHD (BIN+CUE)"},
        {"lone raw data track", false, 0, "", "CHD (BIN)"},
        {"ISO with WAV tracks", true, 2, "", "CHD (ISO+CUE)"},
        {"ISO with WAV tracks, cdzl", true, 2, "cdzl", "CHD (ISO+CUE)"},
    };
    PosixFiles files;
    TempFolder dir;
    for (const ChdmanCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.codecs == "cdfl" && !CodecReadable(CODEC_CD_FLAC)) continue;
        const std::string folder = dir.MakeFolder(c.name);
        const HeaderBlock header = Disc(c.name);
        const auto cue = c.fromIso ? testkit::WriteIsoWavSet(files, folder, "Azure", header, c.audioTracks)
                                   : testkit::WriteRawTrackSet(files, folder, "Azure", header, c.audioTracks);
        ASSERT_TRUE(cue);
        const std::string chd = folder + "/Azure.chd";
        ASSERT_TRUE(testkit::MakeChd(*cue, chd, c.codecs));

        // The image the CHD was made from, read as a loose image.
        HeaderBlock source{};
        const std::string image = folder + (c.fromIso ? "/Azure.iso" : "/Azure (Track 01).bin");
        ASSERT_TRUE(IsAccepted(ReadHeaderBlock(files, image, source)));

        HeaderBlock found{};
        const std::string bytes = dir.Read(std::string(c.name) + "/Azure.chd");
        const ChdReading reading = ReadChdHeaderFrom(Bytes(bytes), found);
        ASSERT_EQ(reading.result, ChdReading::Result::IMAGE_FOUND)
            << (reading.fault ? reading.fault->reason : "");
        EXPECT_EQ(found, source);
        EXPECT_EQ(HeaderChecksum(found), HeaderChecksum(source));
        EXPECT_EQ(reading.contents.format, c.format);
        EXPECT_EQ(reading.contents.audioTracks, c.audioTracks);
    }
}

// Every hunk reads back and passes its CRC; the data track's hunks are the frames of the BIN, sync
// and error correction included, which the codecs leave out and the reader makes anew.
TEST(ChdImage, EveryHunkUnpacksAndTheDataTrackComesBackByteForByte) {
    CARTOVEX_REQUIRE_CHDMAN();
    PosixFiles files;
    TempFolder dir;
    const HeaderBlock header = Disc("EVERY HUNK");
    const std::string data = testkit::RawImage(header, 40);
    const std::string frames = testkit::CdFrames(data, RAW_SECTOR_SIZE);
    for (const std::string codecs : {"none", "cdzl", "cdlz", "cdfl", ""}) {
        SCOPED_TRACE(codecs);
        if (codecs == "cdfl" && !CodecReadable(CODEC_CD_FLAC)) continue;
        const std::string folder = dir.MakeFolder("set-" + codecs);
        const auto cue = testkit::WriteRawTrackSet(files, folder, "Set", header, 2, 40);
        ASSERT_TRUE(cue);
        ASSERT_TRUE(testkit::MakeChd(*cue, folder + "/Set.chd", codecs));
        const std::string bytes = dir.Read("set-" + codecs + "/Set.chd");
        const ByteSource source = MemorySource(Bytes(bytes));
        ChdFile chd(source, bytes.size());
        ASSERT_FALSE(chd.Open());
        std::vector<uint8_t> hunk;
        std::string unpacked;
        for (uint32_t h = 0; h < chd.Header().hunkCount; ++h) {
            const auto fault = chd.ReadHunk(h, hunk);
            ASSERT_FALSE(fault) << "hunk " << h << ": " << fault->reason;
            unpacked.append(hunk.begin(), hunk.end());
        }
        EXPECT_TRUE(unpacked.starts_with(frames));
    }
}

TEST(ChdImage, IdentificationReadsTheHeadersAndOneHunk) {
    CARTOVEX_REQUIRE_CHDMAN();
    PosixFiles files;
    TempFolder dir;
    const auto cue = testkit::WriteRawTrackSet(files, dir.Path(), "Long", Disc("LONG"), 2, 400);
    ASSERT_TRUE(cue);
    ASSERT_TRUE(testkit::MakeChd(*cue, dir / "Long.chd", "none"));
    const std::string bytes = dir.Read("Long.chd");
    uint64_t read = 0;
    const ByteSource counting = [&, memory = MemorySource(Bytes(bytes))](uint64_t offset,
                                                                         std::span<uint8_t> out) {
        const auto got = memory(offset, out);
        if (got) read += *got;
        return got;
    };
    HeaderBlock found{};
    ASSERT_EQ(ReadChdHeaderFrom(counting, bytes.size(), found).result, ChdReading::Result::IMAGE_FOUND);
    const uint64_t hunk = 8 * CD_FRAME_SIZE;
    EXPECT_GT(bytes.size(), 50 * hunk);
    EXPECT_LT(read, 2 * hunk);
}

}  // namespace
}  // namespace cartovex
