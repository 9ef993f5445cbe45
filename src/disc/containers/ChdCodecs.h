// Unpacking one CHD hunk. The general codecs pack the whole hunk: "zlib" as a raw deflate stream,
// "lzma" as a raw LZMA stream (lc 3, lp 0, pb 2, no end mark). The CD codecs pack a hunk of whole
// frames (2,352 bytes of sector, 96 of subcode) as two streams, all sectors first, then all subcode:
//
//   cdzl, cdlz: one bit a frame (low bit first): the frame's sync bytes and error-correction codes
//               were taken out and are to be made anew; the length of the sector stream (2 bytes,
//               3 for hunks of 64 KiB or more); the sectors, deflated (cdzl) or LZMA-packed (cdlz);
//               the subcode, deflated.
//   cdfl:       the sectors as 16-bit big-endian stereo samples in FLAC frames (no stream header:
//               44.1 kHz, and a block size of a quarter of the sector bytes, halved down to at most
//               2,352), then the subcode, deflated, from the byte the FLAC frames end at.
//
// Each stream must unpack to exactly its share of the hunk, no more and no less.
#pragma once

#include <cstdint>
#include <span>

namespace cartovex {

/// A CD frame as a CHD keeps it: the raw sector, then its subcode.
constexpr size_t CD_FRAME_SIZE = 2448;
constexpr size_t CD_SUBCODE_SIZE = 96;

enum class Unpacked {
    OK,           // `out` holds the whole hunk
    UNSUPPORTED,  // a codec this build doesn't read
    BROKEN,       // the packed bytes don't unpack to exactly one hunk
};

/// Unpacks `stored`, packed by `codec`, into `out` (one whole hunk).
Unpacked UnpackHunk(uint32_t codec, std::span<const uint8_t> stored, std::span<uint8_t> out);

/// Whether this build unpacks hunks packed by `codec`.
bool CodecReadable(uint32_t codec);

/// Whether this build reads CHD files at all: they need the LZMA library, as most CHDs pack their
/// data with it.
bool ChdSupported();

}  // namespace cartovex
