// INTERFACE COPY (replaced by the tracks branch)
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
namespace cartovex {
using Sha1Digest = std::array<uint8_t, 20>;
using Md5Digest = std::array<uint8_t, 16>;
struct TrackDigest {
    uint64_t size = 0;
    uint32_t crc = 0;
    Sha1Digest sha1{};
    std::optional<Md5Digest> md5;
};
std::string HexDigest(std::span<const uint8_t> digest);
}  // namespace cartovex
