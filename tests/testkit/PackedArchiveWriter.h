// Writes 7z and RAR archives for tests and fuzz seeds. 7z goes through libarchive's writer (stored
// or LZMA-packed members). Nothing in the distribution writes RAR, so RAR 4 archives are written
// here: stored (uncompressed) members only, which is all a test needs to put an image in one, plus
// the odd members a reader must survive (folders, encrypted ones, sizes larger than the data).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cartovex::testkit {

struct PackedMember {
    std::string name;
    std::string content;
    bool folder = false;
    /// RAR only: marks the member encrypted (its data is then written as it is; libarchive's 7z
    /// writer can't encrypt).
    bool encrypted = false;
    /// RAR: the unpacked size the header claims, when it is to differ from the content's.
    std::optional<uint64_t> claimedSize;
};

/// A RAR 4 archive with the members stored; `withEnd` adds the end-of-archive block.
std::string BuildRar4(const std::vector<PackedMember>& members, bool withEnd = true);

/// A 7z archive, members LZMA-packed (or stored); empty when this build has no libarchive.
std::string Build7z(const std::vector<PackedMember>& members, bool compress = true);

}  // namespace cartovex::testkit
