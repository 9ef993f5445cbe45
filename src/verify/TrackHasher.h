// The digests of one track, computed as its bytes go by: whatever hands over the bytes (a file read
// in large blocks, an archive member as it inflates, a CHD's frames as its hunks unpack) feeds one
// hasher, and no track is ever held whole or read twice.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "verify/Digests.h"

namespace cartovex {

struct TrackDigest {
    uint64_t size = 0;
    uint32_t crc = 0;
    Sha1Digest sha1{};
    std::optional<Md5Digest> md5;  // only when asked for
};

/// CRC-32 (the zlib/PKZIP one) and SHA-1 (and MD5 when asked) of one stream, computed as the bytes
/// go by. Finish ends the stream; the hasher is not fed after it.
class TrackHasher {
public:
    explicit TrackHasher(bool withMd5 = false);
    ~TrackHasher();
    TrackHasher(TrackHasher&&) noexcept;
    TrackHasher& operator=(TrackHasher&&) noexcept;

    void Update(std::span<const uint8_t> bytes);
    TrackDigest Finish();

    struct State;

private:
    std::unique_ptr<State> state_;
};

/// Lower-case hexadecimal, two digits a byte.
std::string HexDigest(std::span<const uint8_t> digest);

/// Which libraries this build hashes with ("libdeflate CRC-32, libcrypto SHA-1"), for the bench.
std::string HashingBackends();

}  // namespace cartovex
