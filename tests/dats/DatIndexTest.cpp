#include <gtest/gtest.h>

#include "dats/DatIndex.h"

namespace cartovex {
namespace {

Sha1Digest Sha1Of(uint8_t seed) {
    Sha1Digest digest{};
    digest.fill(seed);
    return digest;
}
Md5Digest Md5Of(uint8_t seed) {
    Md5Digest digest{};
    digest.fill(seed);
    return digest;
}

DatRom Rom(std::string name, uint64_t size, std::optional<uint32_t> crc, std::optional<uint8_t> sha1,
           std::optional<uint8_t> md5 = std::nullopt) {
    DatRom rom{std::move(name), size, crc, std::nullopt, std::nullopt};
    if (sha1) rom.sha1 = Sha1Of(*sha1);
    if (md5) rom.md5 = Md5Of(*md5);
    return rom;
}

std::vector<std::pair<uint32_t, uint32_t>> Pairs(std::span<const RomRef> refs) {
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (const RomRef& ref : refs) pairs.push_back({ref.game, ref.rom});
    return pairs;
}

using P = std::vector<std::pair<uint32_t, uint32_t>>;

// Two releases of one disc share their data track and its CRC; their second tracks share a CRC but
// not a size.
DatCatalogue AliasCatalogue() {
    DatCatalogue catalogue;
    catalogue.dats.push_back({});
    catalogue.games.push_back({"Other", "", {Rom("o.bin", 5, 0x10, 9)}, 0});
    catalogue.games.push_back(
        {"Disc (USA)",
         "",
         {Rom("cue", 90, 0x77, std::nullopt, 3), Rom("t1", 100, 0x42, 1), Rom("t2", 200, 0x43, 2)},
         0});
    catalogue.games.push_back(
        {"Disc (USA) (Alt)", "", {Rom("t1", 100, 0x42, 1), Rom("t2", 300, 0x43, 4)}, 0});
    return catalogue;
}

TEST(DatIndex, EveryRomWithAKeyComesBackInCatalogueOrder) {
    const DatCatalogue catalogue = AliasCatalogue();
    const DatIndex index(catalogue);

    EXPECT_EQ(Pairs(index.BySha1(Sha1Of(1))), (P{{1, 1}, {2, 0}}));
    EXPECT_EQ(Pairs(index.BySha1(Sha1Of(9))), (P{{0, 0}}));
    EXPECT_TRUE(index.BySha1(Sha1Of(3)).empty());
    EXPECT_EQ(Pairs(index.ByMd5(Md5Of(3))), (P{{1, 0}}));
    EXPECT_TRUE(index.ByMd5(Md5Of(1)).empty());
    // The same CRC with another size is another file.
    EXPECT_EQ(Pairs(index.ByCrcAndSize(0x42, 100)), (P{{1, 1}, {2, 0}}));
    EXPECT_EQ(Pairs(index.ByCrcAndSize(0x43, 300)), (P{{2, 1}}));
    EXPECT_TRUE(index.ByCrcAndSize(0x43, 100).empty());
    EXPECT_TRUE(index.ByCrcAndSize(0x42, 200).empty());
    EXPECT_TRUE(index.AnyRomWithoutSha1());
}

TEST(DatIndex, AnEmptyOrFullySha1CatalogueNeedsNoMd5) {
    EXPECT_FALSE(DatIndex(DatCatalogue{}).AnyRomWithoutSha1());
    EXPECT_TRUE(DatIndex(DatCatalogue{}).BySha1(Sha1Of(0)).empty());
    DatCatalogue catalogue = AliasCatalogue();
    catalogue.games[1].roms.erase(catalogue.games[1].roms.begin());
    EXPECT_FALSE(DatIndex(catalogue).AnyRomWithoutSha1());
}

}  // namespace
}  // namespace cartovex
