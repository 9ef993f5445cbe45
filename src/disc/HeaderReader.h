// Reading the header block from a byte source: a file, or memory in tests and fuzzing. The block
// stands at offset 0 of a cooked (2048-byte sector) image and at offset 16 of a raw (2352-byte
// sector) one, behind the 12 sync bytes and the 4-byte sector header. Which layout a file has is
// told only by where "SEGADISC" is found, never by its extension or size.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "disc/HeaderBlock.h"

namespace cartovex {

class Files;

/// Reads up to `out.size()` bytes at an offset; the count read, or nothing on a read failure.
using ByteSource = std::function<std::optional<size_t>(uint64_t offset, std::span<uint8_t> out)>;

enum class HeaderReadResult {
    ACCEPTED_COOKED,  // "SEGADISC" in the block at offset 0
    ACCEPTED_RAW,     // "SEGADISC" in the block at offset 16
    NOT_SEGA_CD,      // neither block carries the identifier
    UNREADABLE,       // the source could not be read (missing, a folder or FIFO, an I/O error)
};

constexpr size_t RAW_SECTOR_PREFIX = 16;

/// Fills `header` from the offset-0 block, else from the offset-16 block. Bytes beyond the end of a
/// short file read as zero. On UNREADABLE `header` is left untouched, so the previous image's block
/// can't be mistaken for this one's by a caller that forgets to check.
HeaderReadResult ReadHeaderBlock(const ByteSource& source, HeaderBlock& header);

/// The same over an ordinary file.
HeaderReadResult ReadHeaderBlock(const Files& files, const std::string& path, HeaderBlock& header);

inline bool IsAccepted(HeaderReadResult r) {
    return r == HeaderReadResult::ACCEPTED_COOKED || r == HeaderReadResult::ACCEPTED_RAW;
}

}  // namespace cartovex
