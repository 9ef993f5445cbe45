// Where a CHD keeps each hunk. The map comes in three forms:
//
// - version 5 with all hunks stored as they are: 4 bytes a hunk, the hunk's file offset divided by
//   the hunk size (0 for a hunk never written, which reads as zeros);
// - version 5 compressed: a 16-byte head, then a bit stream. The head holds the stream's length (4
//   bytes), the file offset of the first stored hunk (6), the CRC-16 of the whole map unpacked (2),
//   and the bit widths of a packed length, a hunk number and a parent unit number (1 each, then one
//   spare). The stream starts with a Huffman code (16 symbols, at most 8 bits) and gives every
//   hunk's kind in that code, runs of one kind shortened; then, hunk by hunk, the fields its kind
//   needs (a packed length and a CRC-16, a CRC-16, or a hunk number). Packed hunks follow each other
//   in the file, so their offsets are summed up from the first one. Unpacked, an entry is 12 bytes:
//   kind, length (3), offset (6), CRC-16 (2), and the CRC covers all of them;
// - versions 3 and 4: 16 bytes a hunk: offset (8), CRC-32 (4), length (3, low two bytes first), and
//   the kind in the low four bits of the last byte (bit 4: no CRC).
//
// A hunk can be a copy of an earlier hunk of the same file, or of a hunk of a parent CHD.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "disc/containers/ChdHeader.h"

namespace cartovex {

struct HunkEntry {
    enum class Kind {
        PACKED,  // `length` bytes at `offset`, packed by `codec`
        STORED,  // the hunk as it is, at `offset`
        MINI,    // the 8 bytes of `offset` (big-endian), repeated over the hunk
        ZERO,    // never written: all zeros
        COPY,    // the same as hunk `offset`, an earlier one
    };
    enum class Check { NONE, CRC16, CRC32 };

    Kind kind = Kind::ZERO;
    uint32_t codec = 0;
    uint32_t length = 0;
    uint64_t offset = 0;
    Check check = Check::NONE;
    uint32_t crc = 0;
};

/// Looks up `hunk` (below the header's hunk count) in the map. A compressed map is read through
/// once, in small pieces, and its CRC checked, whichever hunk is asked for. The entry is checked
/// against the file: its bytes lie inside it, a copy names an earlier hunk.
std::optional<ChdFault> ReadHunkEntry(const ByteSource& source, uint64_t fileSize, const ChdHeader& header,
                                      uint32_t hunk, HunkEntry& entry);

class CompressedMap;

/// The map's entries in hunk order, hunk 0 first, each decoded once: reading every hunk of a file
/// costs one pass over a compressed map, where ReadHunkEntry decodes it through for every hunk. Only
/// the decoder's state is held, never the map. A compressed map's own check is made with its last
/// entry, so a map failing it faults only there. `source` and `header` must outlive the walk.
class HunkMapWalk {
public:
    HunkMapWalk(const ByteSource& source, uint64_t fileSize, const ChdHeader& header);
    ~HunkMapWalk();
    HunkMapWalk(const HunkMapWalk&) = delete;
    HunkMapWalk& operator=(const HunkMapWalk&) = delete;

    /// The entry of the next hunk, checked against the file as ReadHunkEntry checks it. After a
    /// fault in the map itself the entries that follow can't be trusted.
    std::optional<ChdFault> Next(HunkEntry& entry);

private:
    const ByteSource& source_;
    uint64_t fileSize_;
    const ChdHeader& header_;
    uint32_t next_ = 0;
    std::unique_ptr<CompressedMap> compressed_;
    std::optional<ChdFault> startFault_;
};

}  // namespace cartovex
