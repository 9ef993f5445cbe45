#include "disc/Crc32.h"

#include <zlib.h>

#include <algorithm>

namespace cartovex {

uint32_t Crc32Update(const uint8_t* data, size_t length, uint32_t reg) {
    // zlib's CRC-32 is the same checksum, computed several bytes at a time; every image of a mass
    // run goes through here. zlib takes and returns the finished form (register XOR FFFFFFFF), and
    // a null buffer asks it for its preset instead of leaving the register alone.
    while (length > 0) {
        const uInt chunk = static_cast<uInt>(std::min<size_t>(length, 1u << 30));
        reg = ~static_cast<uint32_t>(crc32(~reg, data, chunk));
        data += chunk;
        length -= chunk;
    }
    return reg;
}

uint32_t HeaderChecksum(const HeaderBlock& header) {
    return Crc32Update(header.data(), header.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
}

}  // namespace cartovex
