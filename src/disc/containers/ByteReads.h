// Small helpers for the container readers: whole reads from a byte source, and the big-endian numbers
// that CHD files store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "disc/HeaderReader.h"

namespace cartovex {

/// Bytes in memory as a ByteSource; `bytes` must outlive it.
ByteSource MemorySource(std::span<const uint8_t> bytes);

/// Reads exactly `out.size()` bytes at `offset`; false when the source ends first or fails.
bool ReadExactly(const ByteSource& source, uint64_t offset, std::span<uint8_t> out);

/// The unsigned big-endian number in `bytes` (at most 8 of them).
inline uint64_t BigEndian(std::span<const uint8_t> bytes) {
    uint64_t value = 0;
    for (uint8_t b : bytes) value = (value << 8) | b;
    return value;
}

/// The big-endian number of `count` bytes at `offset` of `bytes`; the caller keeps it in range.
inline uint64_t BigEndianAt(std::span<const uint8_t> bytes, size_t offset, size_t count) {
    return BigEndian(bytes.subspan(offset, count));
}

}  // namespace cartovex
