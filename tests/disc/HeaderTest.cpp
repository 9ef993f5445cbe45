#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/HeaderReader.h"
#include "disc/RawSector.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

using testkit::BuildHeader;
using testkit::HeaderSpec;

TEST(Crc32, CatalogueCheckValue) {
    const std::string text = "123456789";
    uint32_t crc =
        Crc32Update(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
    EXPECT_EQ(crc, 0xCBF43926u);
    EXPECT_EQ(HexForm(crc), "CBF43926");
    EXPECT_EQ(Crc32Update(nullptr, 0, 0x1234u), 0x1234u);
    // The register carries over between pieces: any split gives the whole text's checksum.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (size_t split = 0; split <= text.size(); ++split) {
        const uint32_t head = Crc32Update(bytes, split, 0xFFFFFFFFu);
        EXPECT_EQ(Crc32Update(bytes + split, text.size() - split, head) ^ 0xFFFFFFFFu, 0xCBF43926u) << split;
    }
}

class HeaderFiles : public ::testing::Test {
protected:
    testkit::TempFolder dir;
    PosixFiles files;
    HeaderBlock header{};
};

TEST_F(HeaderFiles, RawAndCookedImagesOfOneDiscGiveTheSameBlockAndChecksum) {
    HeaderBlock built = BuildHeader({});
    HeaderBlock cooked{}, raw{};
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("a.iso", testkit::CookedImage(built)), cooked),
              HeaderReadResult::ACCEPTED_COOKED);
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("a.bin", testkit::RawImage(built)), raw),
              HeaderReadResult::ACCEPTED_RAW);
    EXPECT_EQ(cooked, built);
    EXPECT_EQ(raw, built);
    EXPECT_EQ(HeaderChecksum(cooked), HeaderChecksum(raw));
}

TEST_F(HeaderFiles, TheExtensionDoesNotDecideTheLayout) {
    HeaderBlock built = BuildHeader({});
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("raw.iso", testkit::RawImage(built)), header),
              HeaderReadResult::ACCEPTED_RAW);
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("cooked.bin", testkit::CookedImage(built)), header),
              HeaderReadResult::ACCEPTED_COOKED);
}

TEST_F(HeaderFiles, SegaDiscMayStandAnywhereInTheFirstSixteenBytes) {
    for (int offset = 0; offset <= 9; ++offset) {
        HeaderSpec fields;
        fields.bootSystem = std::string(static_cast<size_t>(offset), ' ') + "SEGADISC";
        auto path =
            dir.Write("w" + std::to_string(offset) + ".iso", testkit::CookedImage(BuildHeader(fields)));
        auto expected = offset <= 8 ? HeaderReadResult::ACCEPTED_COOKED : HeaderReadResult::NOT_SEGA_CD;
        EXPECT_EQ(ReadHeaderBlock(files, path, header), expected) << "offset " << offset;
    }
}

TEST_F(HeaderFiles, ShortEmptyAndForeignFilesAreNotImages) {
    HeaderBlock built = BuildHeader({});
    std::string cooked = testkit::CookedImage(built);
    // A block cut short still carries its identifier; the missing tail reads as zeros.
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("short.iso", cooked.substr(0, 100)), header),
              HeaderReadResult::ACCEPTED_COOKED);
    EXPECT_EQ(header[99], built[99]);
    EXPECT_EQ(header[100], 0);
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("empty.iso", ""), header), HeaderReadResult::NOT_SEGA_CD);
    EXPECT_EQ(ReadHeaderBlock(files, dir.Write("text.iso", "just some text\r\n"), header),
              HeaderReadResult::NOT_SEGA_CD);
}

TEST_F(HeaderFiles, FoldersFifosAndMissingFilesAreUnreadableAndKeepTheOldBlock) {
    HeaderBlock previous = BuildHeader({});
    header = previous;
    dir.MakeFolder("folder.iso");
    ASSERT_EQ(mkfifo((dir / "pipe.bin").c_str(), 0600), 0);
    for (const char* name : {"folder.iso", "pipe.bin", "missing.raw"}) {
        EXPECT_EQ(ReadHeaderBlock(files, dir / name, header), HeaderReadResult::UNREADABLE) << name;
        EXPECT_EQ(header, previous) << name;
    }
}

TEST(HeaderFields, NulCutsBlankTheRestOfTheirFieldOnly) {
    HeaderSpec fields;
    fields.timeStamp = std::string("0412\0\0\0\0", 8);
    fields.systemName = "SEGASYSTEMX";
    fields.serialField = std::string("G-6039\0xyzab", 12);
    fields.localName = std::string("TITLE\0REST", 10);
    HeaderBlock h = BuildHeader(fields);
    uint32_t before = HeaderChecksum(h);
    ApplyNulCuts(h);
    EXPECT_EQ(TimeStamp(h), "0412    ");
    EXPECT_EQ(SystemName(h), "SEGASYSTEMX");
    EXPECT_EQ(SerialField(h), "G-6039      ");
    EXPECT_EQ(LocalName(h).substr(0, 10), std::string("TITLE\0REST", 10));  // not a cut field
    EXPECT_NE(HeaderChecksum(h), before);
}

TEST(HeaderFields, SystemVersionIsLittleEndianInHexadecimal) {
    struct Case {
        uint8_t low, high;
        const char* text;
    } cases[] = {{0x01, 0x00, "1"}, {0x00, 0x01, "100"}, {0x00, 0x00, "0"}};
    for (const auto& c : cases) {
        HeaderBlock h{};
        h[field::SYSTEM_VERSION.offset] = c.low;
        h[field::SYSTEM_VERSION.offset + 1] = c.high;
        EXPECT_EQ(HexForm(SystemVersion(h)), c.text);
    }
}

TEST(HeaderFields, LocalNameKeepsItsFillerBlanks) {
    HeaderBlock h = BuildHeader({});
    EXPECT_EQ(LocalName(h).size(), 48u);
    EXPECT_EQ(LocalName(h), "TEST DISC" + std::string(39, ' '));
}

TEST(RawSectors, BuiltSectorsCarryAValidEdcThatNoticesChanges) {
    std::string image = testkit::RawImage(BuildHeader({}), 2);
    auto* sector = reinterpret_cast<uint8_t*>(image.data());
    std::span<uint8_t, RAW_SECTOR_SIZE> s(sector, RAW_SECTOR_SIZE);
    EXPECT_TRUE(Mode1EdcMatches(s));
    EXPECT_EQ(sector[12], 0x00);  // 00:02:00, the first data sector
    EXPECT_EQ(sector[13], 0x02);
    EXPECT_EQ(sector[15], 1);
    sector[RAW_USER_DATA_OFFSET + 5] ^= 1;
    EXPECT_FALSE(Mode1EdcMatches(s));
    std::string parityBefore(image.data() + 0x81C, 276);
    RecomputeMode1Parity(s);
    EXPECT_TRUE(Mode1EdcMatches(s));
    EXPECT_NE(std::string(image.data() + 0x81C, 276), parityBefore);
}

TEST(RawSectors, EccAloneIsMadeAnewAndAModeTwoHeaderCountsAsZeros) {
    std::string image = testkit::RawImage(BuildHeader({}), 1);
    std::vector<uint8_t> sector(image.begin(), image.end());
    const std::vector<uint8_t> original = sector;
    std::fill(sector.begin() + 0x81C, sector.end(), uint8_t{0});
    RecomputeEcc(std::span<uint8_t, RAW_SECTOR_SIZE>(sector.data(), RAW_SECTOR_SIZE));
    EXPECT_EQ(sector, original);

    // In mode 2 the header bytes don't change the parity.
    sector[15] = 2;
    RecomputeEcc(std::span<uint8_t, RAW_SECTOR_SIZE>(sector.data(), RAW_SECTOR_SIZE));
    const std::vector<uint8_t> mode2 = sector;
    sector[12] ^= 0xFF;
    RecomputeEcc(std::span<uint8_t, RAW_SECTOR_SIZE>(sector.data(), RAW_SECTOR_SIZE));
    EXPECT_TRUE(std::equal(sector.begin() + 0x81C, sector.end(), mode2.begin() + 0x81C));
    EXPECT_FALSE(std::equal(mode2.begin() + 0x81C, mode2.end(), original.begin() + 0x81C));
}

}  // namespace
}  // namespace cartovex
