#include "disc/containers/BitReader.h"

#include <algorithm>

namespace cartovex {

namespace {
constexpr size_t WINDOW_SIZE = 4096;
}  // namespace

BitReader::BitReader(const ByteSource& source, uint64_t start, uint64_t length, uint64_t firstBit)
    : source_(source), start_(start), length_(length), position_(firstBit) {}

uint8_t BitReader::ByteAt(uint64_t index) {
    if (index >= length_ || failed_) return 0;
    if (index < windowStart_ || index >= windowStart_ + window_.size()) {
        windowStart_ = index;
        window_.resize(static_cast<size_t>(std::min<uint64_t>(WINDOW_SIZE, length_ - index)));
        const auto got = source_(start_ + index, window_);
        if (!got || *got == 0) {
            failed_ = true;
            window_.clear();
            return 0;
        }
        window_.resize(*got);
    }
    return window_[static_cast<size_t>(index - windowStart_)];
}

uint64_t BitReader::Peek(int count) {
    uint64_t value = 0;
    uint64_t at = position_;
    while (count > 0) {
        const int offset = static_cast<int>(at % 8);
        const int take = std::min(count, 8 - offset);
        const uint8_t byte = ByteAt(at / 8);
        const uint8_t bits = static_cast<uint8_t>((byte << offset) & 0xFF) >> (8 - take);
        value = (value << take) | bits;
        at += static_cast<uint64_t>(take);
        count -= take;
    }
    return value;
}

void BitReader::Skip(int count) {
    position_ += static_cast<uint64_t>(count);
    if (position_ > length_ * 8) overrun_ = true;
}

}  // namespace cartovex
