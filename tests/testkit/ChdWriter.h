// CHD files written in code, for what chdman never makes: maps with unknown kinds or forward copies,
// streams that unpack to more or less than a hunk, version 4 files. Files as real collections hold
// them come from chdman itself (Chdman.h).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "disc/containers/ChdHeader.h"

namespace cartovex::testkit {

/// One hunk as the map gives it, where it differs from the default.
struct ChdHunk {
    /// The map's kind: for version 5, 0 to 3 packed by that codec slot, 4 stored, 5 a copy of hunk
    /// `reference`; for version 4, 1 packed, 2 stored, 3 the 8 bytes of `reference` repeated, 4 a
    /// copy. Any other number is written as it is.
    int kind = 4;
    /// The bytes kept in the file for a packed or stored hunk; made from the data when empty.
    std::string stored;
    uint64_t reference = 0;
    /// The CRC the map gives; the data's own when unset.
    std::optional<uint32_t> crc;
};

/// A hunk of map kind `kind` keeping `stored` (made from the data when empty), with the map giving
/// `crc` (the data's own when unset).
inline ChdHunk HunkOfKind(int kind, std::string stored = {}, std::optional<uint32_t> crc = std::nullopt) {
    return ChdHunk{kind, std::move(stored), 0, crc};
}

/// A version 5 hunk that is a copy of hunk `hunk`.
inline ChdHunk CopyOfHunk(uint64_t hunk) {
    return ChdHunk{5, {}, hunk, std::nullopt};
}

struct ChdLayout {
    uint32_t version = 5;
    uint32_t hunkSize = 8 * 2448;
    uint32_t unitSize = 2448;
    std::array<uint32_t, 4> codecs{CODEC_CD_LZMA, CODEC_CD_ZLIB, 0, 0};
    /// Version 5: a compressed map (every hunk packed with the first codec unless `hunks` says
    /// otherwise), or a plain one (every hunk stored).
    bool compressedMap = true;
    /// What the hunks unpack to; the last hunk is padded with zeros.
    std::string data;
    /// The metadata entries, each a tag and its text.
    std::vector<std::pair<std::string, std::string>> metadata;
    std::map<uint32_t, ChdHunk> hunks;
    /// Writes a map CRC that doesn't match.
    bool spoilMapCrc = false;
};

std::string WriteChdFile(const ChdLayout& layout);

/// CHD frames of a track image: each sector (`sectorSize` bytes: 2352 raw, 2048 cooked, at the
/// frame's start) padded to 2352 and followed by 96 bytes of zero subcode.
std::string CdFrames(std::string_view image, size_t sectorSize);

/// A "CHT2" track line.
std::string TrackLine(int number, const std::string& type, uint32_t frames);

/// One hunk packed with cdzl or cdlz, every frame's sector kept whole.
std::string PackCdHunk(uint32_t codec, std::string_view hunk);
/// A CD codec hunk made of the two streams as given (no frame marked for ECC).
std::string CdHunkOfStreams(size_t frames, std::string_view sectorStream, std::string_view subcodeStream);
/// A raw deflate stream of `data`.
std::string Deflated(std::string_view data);
/// A raw LZMA stream of `data` without an end mark, as CHDs keep them (empty without liblzma).
std::string LzmaPacked(std::string_view data);

}  // namespace cartovex::testkit
