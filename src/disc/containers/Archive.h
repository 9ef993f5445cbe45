// The header block of an image packed in an archive, read without unpacking anything: a member
// named like an image (*.iso, *.bin, *.raw) is decompressed only as far as the block needs.
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

#include "disc/HeaderReader.h"
#include "disc/containers/ByteReads.h"
#include "state/Program.h"

namespace cartovex {

enum class ArchiveReadResult {
    IMAGE_FOUND,     // an image member carries "SEGA" at offset 0 or 16; `header` holds the first one's block
    NOT_AN_ARCHIVE,  // the bytes can't be opened as an archive of the kind asked for
    NO_IMAGE_MEMBER,     // no member is named like an image (or the directory breaks off first)
    MEMBER_NOT_SEGA_CD,  // no image member looked at is a Sega CD image (or can be decompressed)
};

/// True when a member name ends in iso, raw or bin, in any case.
bool HasImageEnding(std::string_view name);

/// Inside archives the test is for "SEGA" in the first 16 bytes, not the whole "SEGADISC".
bool HasSegaId(const HeaderBlock& block);

/// Reads a ZIP archive of `size` bytes: the block of its data track, the first member named like an
/// image that carries the identifier (see ArchiveSurvey.h), and, when `contents` is given, the
/// format its members form and the disc's audio tracks. `header` changes only on IMAGE_FOUND.
ArchiveReadResult ReadArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header,
                                        ContainerContents* contents = nullptr);

/// The same over an archive held in memory.
ArchiveReadResult ReadArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header,
                                        ContainerContents* contents = nullptr);

/// The same for a 7z or RAR archive, read through libarchive (by its contents, whichever of the two
/// it is). Encrypted members are passed over: there is no password to offer. Without libarchive in
/// the build every archive is NOT_AN_ARCHIVE.
ArchiveReadResult ReadPackedArchiveHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header,
                                              ContainerContents* contents = nullptr);
ArchiveReadResult ReadPackedArchiveHeaderFrom(std::span<const uint8_t> archive, HeaderBlock& header,
                                              ContainerContents* contents = nullptr);

/// Whether this build reads 7z and RAR archives.
bool PackedArchivesSupported();

/// Reads the header block of the archive `fileName` (in the current folder; ZIP, 7z or RAR by
/// `extension`) into `header` and what it holds into `contents`: 1 when its data track was found,
/// NONE_VALUE otherwise. Image members none of which is a Sega CD image are reported in the pane and
/// disable PROCESS.
int16_t ReadArchiveHeader(Program& program);

}  // namespace cartovex
