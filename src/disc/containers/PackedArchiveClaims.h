// What a 7z or RAR archive says about itself, checked before the archive library trusts it.
//
// libarchive sizes the buffer for a 7z archive's directory by the size the archive gives for it, and
// unpacks the whole directory into that buffer before the first member is reached: a few hundred
// hostile bytes can ask for gigabytes and, packed well, fill them. A real directory takes some
// hundred bytes per member, so a claim beyond a generous bound is a broken archive, not a big one.
#pragma once

#include <cstdint>
#include <span>

#include "disc/HeaderReader.h"

namespace cartovex {

/// The most a 7z archive's directory may take, packed or unpacked: room for several hundred
/// thousand members.
constexpr uint64_t MAX_7Z_DIRECTORY_SIZE = uint64_t{64} << 20;

enum class PackedArchiveKind { NONE, SEVEN_ZIP, RAR };

/// The kind that an archive's first bytes announce: the 7z signature, or a RAR 4 or RAR 5 marker.
/// Anything else (a self-extracting program included) is no archive of ours.
PackedArchiveKind PackedArchiveKindOf(std::span<const uint8_t> start);

/// True when the 7z archive of `size` bytes in `source` keeps its directory inside the file and
/// within MAX_7Z_DIRECTORY_SIZE, and a packed directory doesn't claim to unpack to more than that.
/// False for a directory whose description can't be read.
bool SevenZipDirectoryIsBounded(const ByteSource& source, uint64_t size);

/// Whether libarchive may be given the archive of `size` bytes: it starts with a 7z or RAR
/// signature (libarchive would otherwise look for an archive deep inside any program file), and a 7z
/// one has a bounded directory.
bool PackedArchiveWorthOpening(const ByteSource& source, uint64_t size);

}  // namespace cartovex
