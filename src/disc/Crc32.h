// The disc checksum: the standard reflected CRC-32 (polynomial EDB88320, as zlib and PKZIP use).
#pragma once

#include <cstddef>
#include <cstdint>

#include "disc/HeaderBlock.h"

namespace cartovex {

/// Runs `length` bytes through the register; returns the register without the final XOR.
uint32_t Crc32Update(const uint8_t* data, size_t length, uint32_t reg);

/// The checksum of a whole header block: preset FFFFFFFF, result XORed with FFFFFFFF.
uint32_t HeaderChecksum(const HeaderBlock& header);

}  // namespace cartovex
