// A CHD file read through a byte source: its header, its hunks one at a time, its metadata. Memory
// stays within a few hunks whatever the file says: the map is never held whole and metadata is read
// only as far as a track list needs.
//
// Metadata entries form a chain from the header's metadata offset, each one:
//   offset size field
//     0     4   tag ("CHT2" for a CD track)
//     4     1   flags
//     5     3   length of the data
//     8     8   offset of the next entry (0: the last)
//    16     -   the data
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disc/containers/ChdHeader.h"
#include "disc/containers/ChdMap.h"

namespace cartovex {

struct ChdMetadata {
    uint32_t tag = 0;
    std::string data;  // at most MAX_METADATA_READ bytes of it
};

/// A track's metadata is a line of text; anything longer is read only this far.
constexpr size_t MAX_METADATA_READ = 4096;
/// A CD has at most 99 tracks; a longer chain is broken (or runs in a circle).
constexpr size_t MAX_METADATA_ENTRIES = 256;

class ChdFile {
public:
    /// `source` must outlive the file.
    ChdFile(const ByteSource& source, uint64_t size) : source_(source), size_(size) {}

    /// Reads and checks the header; every other call needs it done.
    std::optional<ChdFault> Open() { return ReadChdHeader(source_, size_, header_); }
    const ChdHeader& Header() const { return header_; }

    /// Unpacks one hunk into `out` (made the hunk's size), following copies of earlier hunks, and
    /// checks it against the CRC its map entry gives.
    std::optional<ChdFault> ReadHunk(uint32_t hunk, std::vector<uint8_t>& out) const;
    /// The same for a hunk whose map entry the caller has read already (from a HunkMapWalk).
    std::optional<ChdFault> ReadHunk(uint32_t hunk, HunkEntry entry, std::vector<uint8_t>& out) const;

    /// Every metadata entry, in chain order.
    std::optional<ChdFault> ReadMetadata(std::vector<ChdMetadata>& entries) const;

private:
    const ByteSource& source_;
    uint64_t size_;
    ChdHeader header_;
};

}  // namespace cartovex
