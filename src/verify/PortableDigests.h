// SHA-1 and MD5 in plain C++, for builds without OpenSSL's libcrypto (the Windows cross build).
// Where libcrypto is there it is several times faster and TrackHasher uses it instead; the tests
// hold the two to the same answers.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "verify/Digests.h"

namespace cartovex {

class PortableSha1 {
public:
    void Update(std::span<const uint8_t> bytes);
    Sha1Digest Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 5> state_ = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    std::array<uint8_t, 64> pending_{};
    size_t pendingSize_ = 0;
    uint64_t length_ = 0;
};

class PortableMd5 {
public:
    void Update(std::span<const uint8_t> bytes);
    Md5Digest Finish();

private:
    void Block(const uint8_t* block);

    std::array<uint32_t, 4> state_ = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};
    std::array<uint8_t, 64> pending_{};
    size_t pendingSize_ = 0;
    uint64_t length_ = 0;
};

}  // namespace cartovex
