// The header of a CHD file ("compressed hunks of data"), MAME's compressed disc format, which
// emulators and collection managers read. A CHD cuts the disc into hunks of equal size; each hunk is
// stored on its own (packed by one of up to four codecs, or as it is, or as a copy of an earlier
// hunk), and a map says where each one is. All numbers are big-endian.
//
//   version 5, 124 bytes
//   offset size field
//     0     8   "MComprHD"
//     8     4   header length (124)
//    12     4   version
//    16    16   the four codecs, as four-letter codes ("cdlz"); 0 for an unused slot, and in the first
//               slot for a CHD whose hunks are all stored as they are (its map is not compressed)
//    32     8   logical size: what all hunks unpack to
//    40     8   map offset
//    48     8   offset of the first metadata entry (0: none)
//    56     4   hunk size
//    60     4   unit size (a CD frame: 2448)
//    64    20   SHA-1 of the unpacked data
//    84    20   SHA-1 of the data and the metadata
//   104    20   SHA-1 of the parent CHD; all zero when it has none
//
//   versions 3 (120 bytes) and 4 (108 bytes): the map follows the header
//    16     4   flags: bit 0, the CHD needs a parent
//    20     4   compression: 0 none, 1 or 2 deflate, 3 A/V
//    24     4   hunk count
//    28     8   logical size
//    36     8   offset of the first metadata entry
//    76 (v3), 44 (v4)   4   hunk size
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "disc/HeaderReader.h"

namespace cartovex {

/// Why a CHD can't be read. `reason` completes a pane line: "it needs its parent CHD".
struct ChdFault {
    enum class Kind {
        NOT_A_CHD,     // no CHD signature
        UNSUPPORTED,   // a version or codec this program doesn't read
        NEEDS_PARENT,  // it holds only the changes to another CHD
        DAMAGED,       // it contradicts itself or its file
    };
    Kind kind;
    std::string reason;
};

/// A four-letter code (a codec, a metadata tag) as a number: "cdlz" is 0x63646C7A.
constexpr uint32_t FourCc(std::string_view code) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value = (value << 8) | uint8_t(i < code.size() ? code[i] : ' ');
    return value;
}

constexpr uint32_t CODEC_ZLIB = FourCc("zlib");
constexpr uint32_t CODEC_LZMA = FourCc("lzma");
constexpr uint32_t CODEC_CD_ZLIB = FourCc("cdzl");
constexpr uint32_t CODEC_CD_LZMA = FourCc("cdlz");
constexpr uint32_t CODEC_CD_FLAC = FourCc("cdfl");

/// A hunk bigger than this is no CD's: chdman makes 19,584-byte hunks (8 frames).
constexpr uint32_t MAX_HUNK_SIZE = 1u << 20;
/// More than this is no CD: 99 minutes of frames, with their subcode, take about 1.1 GB.
constexpr uint64_t MAX_LOGICAL_SIZE = uint64_t{2} << 30;

struct ChdHeader {
    uint32_t version = 0;
    uint32_t length = 0;
    std::array<uint32_t, 4> codecs{};  // versions 3 and 4: their one codec in the first slot
    uint64_t logicalSize = 0;
    uint64_t mapOffset = 0;
    uint64_t metadataOffset = 0;
    uint32_t hunkSize = 0;
    uint32_t unitSize = 0;  // 0 for versions 3 and 4, which don't say
    uint32_t hunkCount = 0;
    /// Version 5 only: the map is compressed (the hunks are not all stored as they are).
    bool compressedMap() const { return version == 5 && codecs[0] != 0; }
};

/// Reads the header of the CHD of `fileSize` bytes and checks it against the file: sizes in range,
/// the map inside the file, no parent needed.
std::optional<ChdFault> ReadChdHeader(const ByteSource& source, uint64_t fileSize, ChdHeader& header);

/// A codec's four letters when they are printable, else its number in hexadecimal.
std::string CodecName(uint32_t codec);

}  // namespace cartovex
