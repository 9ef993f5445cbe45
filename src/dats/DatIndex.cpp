#include "dats/DatIndex.h"

#include <algorithm>
#include <numeric>
#include <optional>

namespace cartovex {
namespace {

// One table from the catalogue: `keyOf` gives a rom's key, or nothing when it has none. The sort is
// stable, so the roms of one key keep their catalogue order.
template <typename Key, typename KeyOf>
DatIndex::Table<Key> BuildTable(const DatCatalogue& catalogue, KeyOf keyOf) {
    std::vector<std::pair<Key, RomRef>> entries;
    for (size_t g = 0; g < catalogue.games.size(); ++g) {
        const auto& roms = catalogue.games[g].roms;
        for (size_t r = 0; r < roms.size(); ++r)
            if (const std::optional<Key> key = keyOf(roms[r]))
                entries.push_back({*key, RomRef{static_cast<uint32_t>(g), static_cast<uint32_t>(r)}});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    DatIndex::Table<Key> table;
    table.keys.reserve(entries.size());
    table.refs.reserve(entries.size());
    for (const auto& [key, ref] : entries) {
        table.keys.push_back(key);
        table.refs.push_back(ref);
    }
    return table;
}

}  // namespace

template <typename Key>
std::span<const RomRef> DatIndex::Table<Key>::Find(const Key& key) const {
    const auto [first, last] = std::equal_range(keys.begin(), keys.end(), key);
    return {refs.data() + (first - keys.begin()), static_cast<size_t>(last - first)};
}

DatIndex::DatIndex(const DatCatalogue& catalogue) {
    sha1_ = BuildTable<Sha1Digest>(catalogue, [](const DatRom& rom) { return rom.sha1; });
    md5_ = BuildTable<Md5Digest>(catalogue, [](const DatRom& rom) { return rom.md5; });
    crc_ = BuildTable<CrcAndSize>(catalogue, [](const DatRom& rom) -> std::optional<CrcAndSize> {
        if (!rom.crc) return std::nullopt;
        return CrcAndSize{rom.size, *rom.crc};
    });
    for (const DatGame& game : catalogue.games)
        for (const DatRom& rom : game.roms)
            if (!rom.sha1) anyRomWithoutSha1_ = true;
}

std::span<const RomRef> DatIndex::BySha1(const Sha1Digest& sha1) const {
    return sha1_.Find(sha1);
}
std::span<const RomRef> DatIndex::ByMd5(const Md5Digest& md5) const {
    return md5_.Find(md5);
}
std::span<const RomRef> DatIndex::ByCrcAndSize(uint32_t crc, uint64_t size) const {
    return crc_.Find(CrcAndSize{size, crc});
}

}  // namespace cartovex
