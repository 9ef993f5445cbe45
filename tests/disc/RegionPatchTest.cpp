#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "disc/Crc32.h"
#include "disc/RawSector.h"
#include "disc/RegionPatch.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixProcess.h"
#include "testkit/BuildPaths.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

const std::string CONVERTER = testkit::BinaryDir() + "/src/programs/convkvx110/convkvx110";

class Converter : public ::testing::Test {
protected:
    testkit::TempFolder dir;
    PosixFiles files;
    PosixProcess process;
    HeaderBlock Read(const std::string& path) {
        HeaderBlock h{};
        EXPECT_TRUE(IsAccepted(ReadHeaderBlock(files, path, h))) << path;
        return h;
    }
    std::optional<int> Convert(const std::string& output, const std::string& code,
                               const std::string& source) {
        return process.Run(CONVERTER, {"-o", output, "-d", code, source}, ShowState::Hidden, dir.Path());
    }
};

TEST_F(Converter, WritesTheTargetRegionAndTheOriginalRegionsMark) {
    testkit::HeaderSpec fields;
    fields.regionByte = 0xA1;
    std::string image = testkit::CookedImage(testkit::BuildHeader(fields));
    std::string source = dir.Write("game.iso", image);
    ASSERT_EQ(Convert(dir / "(CONV to e)game.iso", "e", source), 0);
    HeaderBlock out = Read(dir / "(CONV to e)game.iso");
    EXPECT_EQ(RegionByte(out), 0x64);
    EXPECT_EQ(ConversionMark(out, 3), "MoDJ");
    EXPECT_EQ(dir.Read("game.iso"), image);  // the source is never written
    EXPECT_EQ(dir.Read("(CONV to e)game.iso").size(), image.size());
    EXPECT_EQ(dir.Read("(CONV to e)game.iso").substr(2048), image.substr(2048));
}

TEST_F(Converter, KeepsARawSectorValid) {
    std::string source = dir.Write("game.bin", testkit::RawImage(testkit::BuildHeader({}), 4));
    ASSERT_EQ(Convert(dir / "out.bin", "j", source), 0);
    std::string out = dir.Read("out.bin");
    auto* sector = reinterpret_cast<const uint8_t*>(out.data());
    EXPECT_TRUE(Mode1EdcMatches(std::span<const uint8_t, RAW_SECTOR_SIZE>(sector, RAW_SECTOR_SIZE)));
    HeaderBlock h = Read(dir / "out.bin");
    EXPECT_EQ(RegionByte(h), 0xA1);
    EXPECT_EQ(ConversionMark(h, 3), "MoDU");
}

TEST_F(Converter, RefusesItsOwnSourceBadRegionsAndForeignFiles) {
    std::string image = testkit::CookedImage(testkit::BuildHeader({}));
    std::string source = dir.Write("game.iso", image);
    EXPECT_NE(Convert(source, "e", source), 0);
    EXPECT_NE(Convert(dir / "out.iso", "x", source), 0);
    EXPECT_NE(Convert(dir / "out.iso", "e", dir.Write("text.iso", "hello")), 0);
    EXPECT_NE(Convert(dir / "out.iso", "e", dir / "missing.iso"), 0);
    EXPECT_EQ(dir.Read("game.iso"), image);
    EXPECT_FALSE(dir.Exists("out.iso"));
}

TEST_F(Converter, ConvertingAgainReplacesTheEarlierOutputWhole) {
    std::string source = dir.Write("game.iso", testkit::CookedImage(testkit::BuildHeader({})));
    dir.Write("out.iso", std::string(100000, 'z'));
    ASSERT_EQ(Convert(dir / "out.iso", "u", source), 0);
    EXPECT_EQ(dir.Read("out.iso").size(), 16u * 2048);
    EXPECT_EQ(files.ListCurrentFolder("*.convkvx-part").size(), 0u);
}

}  // namespace
}  // namespace cartovex
