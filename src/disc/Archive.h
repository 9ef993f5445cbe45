// The header block of an image packed in a ZIP archive, read without unpacking anything: the first
// member named like an image (*.iso, *.bin, *.raw) is decompressed only as far as the block needs.
//
// The archive is read through a ByteSource, so the same code runs over a file and over memory
// (tests, fuzzing).
#pragma once

#include <cstdint>
#include <span>

#include "app/Program.h"
#include "disc/HeaderReader.h"

namespace cartovex {

enum class ArchiveReadResult {
    IMAGE_FOUND,         // the first image member carries "SEGA" at offset 0 or 16; `header` holds its block
    NOT_AN_ARCHIVE,      // the bytes can't be opened as a ZIP archive
    NO_IMAGE_MEMBER,     // no member is named like an image (or the directory breaks off first)
    MEMBER_NOT_SEGA_CD,  // the first image member isn't a Sega CD image (or can't be decompressed)
};

/// Reads the first image member's header block from an archive of `size` bytes. `header` changes
/// only on IMAGE_FOUND.
ArchiveReadResult ReadArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header);

/// The same over an archive held in memory.
ArchiveReadResult ReadArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header);

/// Reads the header block of the archive `fileName` (in the current folder) into `header`: 1 when
/// an image member was found, NONE_VALUE otherwise. A first image member that is no Sega CD image
/// is reported in the pane and disables PROCESS.
int16_t ReadArchiveHeader(Program& program);

}  // namespace cartovex
