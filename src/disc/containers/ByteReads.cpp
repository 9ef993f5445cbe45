#include "disc/containers/ByteReads.h"

#include <algorithm>
#include <cstring>

namespace cartovex {

ByteSource MemorySource(std::span<const uint8_t> bytes) {
    return [bytes](uint64_t offset, std::span<uint8_t> out) -> std::optional<size_t> {
        if (offset >= bytes.size()) return 0;
        const size_t n = std::min(out.size(), static_cast<size_t>(bytes.size() - offset));
        std::memcpy(out.data(), bytes.data() + offset, n);
        return n;
    };
}

bool ReadExactly(const ByteSource& source, uint64_t offset, std::span<uint8_t> out) {
    size_t done = 0;
    while (done < out.size()) {
        const auto got = source(offset + done, out.subspan(done));
        if (!got || *got == 0) return false;
        done += *got;
    }
    return true;
}

}  // namespace cartovex
