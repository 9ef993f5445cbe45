// Lookups over a loaded catalogue: built once, then asked for every hashed track. Each lookup gives
// every rom that carries the key, in catalogue order, so two games listing the same file (an alias,
// a re-release on the same disc) are both seen and the first one loaded wins ties.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dats/DatCatalogue.h"

namespace cartovex {

/// A rom of the catalogue: games[game].roms[rom].
struct RomRef {
    uint32_t game;
    uint32_t rom;
};

class DatIndex {
public:
    explicit DatIndex(const DatCatalogue& catalogue);

    /// Every rom with this SHA-1, in catalogue order.
    std::span<const RomRef> BySha1(const Sha1Digest& sha1) const;
    std::span<const RomRef> ByMd5(const Md5Digest& md5) const;
    std::span<const RomRef> ByCrcAndSize(uint32_t crc, uint64_t size) const;
    /// Whether some rom is known by no SHA-1: then the hashing must compute MD5 too.
    bool AnyRomWithoutSha1() const { return anyRomWithoutSha1_; }

    /// Keys sorted, and beside them the roms, so the roms of one key are one contiguous span.
    template <typename Key>
    struct Table {
        std::vector<Key> keys;
        std::vector<RomRef> refs;
        std::span<const RomRef> Find(const Key& key) const;
    };

private:
    struct CrcAndSize {
        uint64_t size;
        uint32_t crc;
        auto operator<=>(const CrcAndSize&) const = default;
    };

    Table<Sha1Digest> sha1_;
    Table<Md5Digest> md5_;
    Table<CrcAndSize> crc_;
    bool anyRomWithoutSha1_ = false;
};

}  // namespace cartovex
