// Bits read most significant first from a stretch of a byte source, a few kilobytes at a time, so a
// long bit stream (a CHD's compressed map) never has to be held whole.
#pragma once

#include <cstdint>
#include <vector>

#include "disc/HeaderReader.h"

namespace cartovex {

class BitReader {
public:
    /// The `length` bytes at `start` of `source` (which must outlive the reader), from bit `firstBit`
    /// on.
    BitReader(const ByteSource& source, uint64_t start, uint64_t length, uint64_t firstBit = 0);

    /// The next `count` bits (at most 56) without taking them; zeros stand for bits past the end.
    uint64_t Peek(int count);
    /// Takes `count` bits. Taking a bit past the end marks the reader as overrun.
    void Skip(int count);
    uint64_t Read(int count) {
        const uint64_t value = Peek(count);
        Skip(count);
        return value;
    }

    /// True once a bit past the end was taken, or the source failed: what was read since is noise.
    bool Broken() const { return overrun_ || failed_; }
    /// Bits taken so far, counted from the stretch's start.
    uint64_t Position() const { return position_; }

private:
    uint8_t ByteAt(uint64_t index);

    const ByteSource& source_;
    uint64_t start_;
    uint64_t length_;
    uint64_t position_;
    bool overrun_ = false;
    bool failed_ = false;
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
};

}  // namespace cartovex
