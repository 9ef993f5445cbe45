// The header block of an image packed in an archive, read without unpacking anything: the first
// member named like an image (*.iso, *.bin, *.raw) is decompressed only as far as the block needs.
// ZIP archives are read through minizip; 7z and RAR archives through libarchive, where the build
// has it (without it they are no image kind of ours and are rejected like any other file).
//
// The archive is read through a ByteSource, so the same code runs over a file and over memory
// (tests, fuzzing).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/Program.h"
#include "disc/HeaderReader.h"
#include "disc/containers/ByteReads.h"

namespace cartovex {

enum class ArchiveReadResult {
    IMAGE_FOUND,         // the first image member carries "SEGA" at offset 0 or 16; `header` holds its block
    NOT_AN_ARCHIVE,      // the bytes can't be opened as an archive of the kind asked for
    NO_IMAGE_MEMBER,     // no member is named like an image (or the directory breaks off first)
    MEMBER_NOT_SEGA_CD,  // the first image member isn't a Sega CD image (or can't be decompressed)
};

/// True when a member name ends in iso, raw or bin, in any case.
bool HasImageEnding(std::string_view name);

/// Inside archives the test is for "SEGA" in the first 16 bytes, not the whole "SEGADISC".
bool HasSegaId(const HeaderBlock& block);

/// Reads the first ZIP image member's header block from an archive of `size` bytes. `header` changes
/// only on IMAGE_FOUND.
ArchiveReadResult ReadArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header);

/// The same over an archive held in memory.
ArchiveReadResult ReadArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header);

/// The same for a 7z or RAR archive, read through libarchive (by its contents, whichever of the two
/// it is). Encrypted image members give MEMBER_NOT_SEGA_CD: there is no password to offer. Without
/// libarchive in the build every archive is NOT_AN_ARCHIVE.
ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header);
ArchiveReadResult ReadPackedArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header);

/// Whether this build reads 7z and RAR archives.
bool PackedArchivesSupported();

/// Reads the header block of the archive `fileName` (in the current folder; ZIP, 7z or RAR by
/// `extension`) into `header`: 1 when
/// an image member was found, NONE_VALUE otherwise. A first image member that is no Sega CD image
/// is reported in the pane and disables PROCESS.
int16_t ReadArchiveHeader(Program& program);

}  // namespace cartovex
