// INTERFACE COPY (replaced by the dats branch)
#pragma once
#include <span>
#include "dats/DatCatalogue.h"
namespace cartovex {
struct RomRef { uint32_t game; uint32_t rom; };
class DatIndex {
public:
    explicit DatIndex(const DatCatalogue& catalogue);
    std::span<const RomRef> BySha1(const Sha1Digest& sha1) const;
    std::span<const RomRef> ByMd5(const Md5Digest& md5) const;
    std::span<const RomRef> ByCrcAndSize(uint32_t crc, uint64_t size) const;
    bool AnyRomWithoutSha1() const;
};
}  // namespace cartovex
