#include "verify/PortableDigests.h"

#include <algorithm>
#include <cstring>

namespace cartovex {

namespace {

constexpr uint32_t RotateLeft(uint32_t value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

// Both digests take 64-byte blocks and end with a 1 bit, zeros, and the bit length in the last 8
// bytes; they differ only in that length's byte order.
template <typename Block>
void Feed(std::array<uint8_t, 64>& pending, size_t& pendingSize, uint64_t& length,
          std::span<const uint8_t> bytes, Block&& block) {
    length += bytes.size();
    const uint8_t* at = bytes.data();
    size_t left = bytes.size();
    if (pendingSize > 0) {
        const size_t take = std::min(left, pending.size() - pendingSize);
        std::memcpy(pending.data() + pendingSize, at, take);
        pendingSize += take;
        at += take;
        left -= take;
        if (pendingSize < pending.size()) return;
        block(pending.data());
        pendingSize = 0;
    }
    for (; left >= 64; at += 64, left -= 64) block(at);
    std::memcpy(pending.data(), at, left);
    pendingSize = left;
}

template <typename Block>
void Pad(std::array<uint8_t, 64>& pending, size_t pendingSize, uint64_t length, bool bigEndian,
         Block&& block) {
    const uint64_t bits = length * 8;
    pending[pendingSize++] = 0x80;
    if (pendingSize > 56) {
        std::memset(pending.data() + pendingSize, 0, 64 - pendingSize);
        block(pending.data());
        pendingSize = 0;
    }
    std::memset(pending.data() + pendingSize, 0, 56 - pendingSize);
    for (int i = 0; i < 8; ++i)
        pending[56 + i] = static_cast<uint8_t>(bits >> (bigEndian ? 8 * (7 - i) : 8 * i));
    block(pending.data());
}

}  // namespace

void PortableSha1::Block(const uint8_t* block) {
    uint32_t w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 |
               uint32_t{block[4 * i + 2]} << 8 | block[4 * i + 3];
    for (int i = 16; i < 80; ++i) w[i] = RotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3], e = state_[4];
    for (int i = 0; i < 80; ++i) {
        uint32_t f, k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5A827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ED9EBA1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8F1BBCDC;
        } else {
            f = b ^ c ^ d;
            k = 0xCA62C1D6;
        }
        const uint32_t next = RotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = RotateLeft(b, 30);
        b = a;
        a = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
}

void PortableSha1::Update(std::span<const uint8_t> bytes) {
    Feed(pending_, pendingSize_, length_, bytes, [this](const uint8_t* block) { Block(block); });
}

Sha1Digest PortableSha1::Finish() {
    Pad(pending_, pendingSize_, length_, true, [this](const uint8_t* block) { Block(block); });
    Sha1Digest digest{};
    for (size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

namespace {

// The per-step shifts and the sines' constants of MD5.
constexpr int MD5_SHIFTS[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr uint32_t MD5_CONSTANTS[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

}  // namespace

void PortableMd5::Block(const uint8_t* block) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i)
        m[i] = uint32_t{block[4 * i]} | uint32_t{block[4 * i + 1]} << 8 | uint32_t{block[4 * i + 2]} << 16 |
               uint32_t{block[4 * i + 3]} << 24;
    uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = b + RotateLeft(a + f + MD5_CONSTANTS[i] + m[g], MD5_SHIFTS[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void PortableMd5::Update(std::span<const uint8_t> bytes) {
    Feed(pending_, pendingSize_, length_, bytes, [this](const uint8_t* block) { Block(block); });
}

Md5Digest PortableMd5::Finish() {
    Pad(pending_, pendingSize_, length_, false, [this](const uint8_t* block) { Block(block); });
    Md5Digest digest{};
    for (size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<uint8_t>(state_[i / 4] >> (8 * (i % 4)));
    return digest;
}

}  // namespace cartovex
