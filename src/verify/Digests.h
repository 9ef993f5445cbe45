// The digests a track is known by in DAT files.
#pragma once

#include <array>
#include <cstdint>

namespace cartovex {

using Sha1Digest = std::array<uint8_t, 20>;
using Md5Digest = std::array<uint8_t, 16>;

}  // namespace cartovex
