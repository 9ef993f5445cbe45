// The tracks of one disc hashed in one streamed pass, whatever holds them: a file of a set (a .bin
// track, an .iso), the members of an archive, or the frames of a CD kept in a CHD, cut back into
// the .bin files it was made from. What a DAT lists is the .bin tracks, so that is what a CHD's
// tracks are hashed as.
//
// Nothing is written, renamed or locked; a file is opened for reading only.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "verify/TrackHasher.h"

namespace cartovex {

struct HashedTrack {
    std::string name;    // the file's or member's name (for a CHD: empty; `number` tells)
    int number = 0;      // CHD: the track number from its metadata; else 0
    bool audio = false;  // CHD: an AUDIO track
    TrackDigest digest;
    std::optional<uint32_t> storedCrc;  // a ZIP member's CRC from the directory
    /// False when the track could not be read whole (a damaged CHD hunk inside it, an archive member
    /// that doesn't unpack): its digest is then of what could be read, and matches nothing.
    bool intact = true;
};

struct HashResult {
    std::vector<HashedTrack> tracks;
    std::optional<std::string> fault;  // why it could not be hashed whole: "can't be read", "vanished", ...
};

/// Bytes handed to the hasher at a time: large enough that reading costs few calls, small enough
/// to stay in the processor's cache between the CRC and the SHA-1 (see bench/VerifyBench.cpp).
constexpr size_t HASH_READ_BLOCK = size_t{1} << 20;

/// One file of a set (a .bin track, an .iso): read sequentially in large blocks, hashed once. Its
/// name is the path's last piece. A file that is missing, can't be read, or vanishes or shrinks
/// while it is read gives a fault and no track.
HashResult HashFile(const Files& files, const std::string& path, bool withMd5);

/// Every member of a ZIP (minizip) or 7z/RAR (libarchive, where the build has it) archive, in
/// archive order, streamed: nothing unpacked to disc. Folders and encrypted members are passed over.
/// Member names as stored (may contain paths). The kind is told by the archive's bytes.
HashResult HashArchiveMembers(const Files& files, const std::string& path, bool withMd5);

/// Every track of a CD kept in a CHD, hashed as the .bin it was made from: every hunk decoded and
/// checked, the frames cut into tracks by the track list (a pregap kept in the file belongs to its
/// track, the padding after each track to none), only each frame's sector bytes taken (2,352 for a
/// raw or audio track, 2,048 for one made from an ISO), and audio samples put back into a BIN's
/// little-endian order. A hunk that fails its check faults the result and marks the tracks it holds
/// part of as not intact; the other tracks are still hashed.
HashResult HashChdTracks(const Files& files, const std::string& path, bool withMd5);

}  // namespace cartovex
