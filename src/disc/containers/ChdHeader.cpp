#include "disc/containers/ChdHeader.h"

#include <algorithm>
#include <cstring>

#include "disc/containers/ByteReads.h"

namespace cartovex {

namespace {

constexpr size_t V3_LENGTH = 120;
constexpr size_t V4_LENGTH = 108;
constexpr size_t V5_LENGTH = 124;
constexpr uint32_t V34_NEEDS_PARENT = 1;

ChdFault Damaged(std::string reason) {
    return {ChdFault::Kind::DAMAGED, std::move(reason)};
}

std::optional<ChdFault> ReadVersion5(std::span<const uint8_t> raw, ChdHeader& header) {
    for (size_t slot = 0; slot < header.codecs.size(); ++slot)
        header.codecs[slot] = static_cast<uint32_t>(BigEndianAt(raw, 16 + 4 * slot, 4));
    header.logicalSize = BigEndianAt(raw, 32, 8);
    header.mapOffset = BigEndianAt(raw, 40, 8);
    header.metadataOffset = BigEndianAt(raw, 48, 8);
    header.hunkSize = static_cast<uint32_t>(BigEndianAt(raw, 56, 4));
    header.unitSize = static_cast<uint32_t>(BigEndianAt(raw, 60, 4));
    const auto parent = raw.subspan(104, 20);
    if (std::any_of(parent.begin(), parent.end(), [](uint8_t b) { return b != 0; }))
        return ChdFault{ChdFault::Kind::NEEDS_PARENT, "it holds only the changes to a parent CHD"};
    return std::nullopt;
}

std::optional<ChdFault> ReadVersion3Or4(std::span<const uint8_t> raw, ChdHeader& header) {
    if (BigEndianAt(raw, 16, 4) & V34_NEEDS_PARENT)
        return ChdFault{ChdFault::Kind::NEEDS_PARENT, "it holds only the changes to a parent CHD"};
    switch (BigEndianAt(raw, 20, 4)) {
        case 0:
            header.codecs[0] = 0;
            break;
        case 1:  // deflate, and the "deflate plus" of later version 3 files: the same stream
        case 2:
            header.codecs[0] = CODEC_ZLIB;
            break;
        case 3:
            return ChdFault{ChdFault::Kind::UNSUPPORTED, "its hunks use A/V compression, which is no CD's"};
        default:
            return Damaged("its header names no known compression");
    }
    header.hunkCount = static_cast<uint32_t>(BigEndianAt(raw, 24, 4));
    header.logicalSize = BigEndianAt(raw, 28, 8);
    header.metadataOffset = BigEndianAt(raw, 36, 8);
    header.hunkSize = static_cast<uint32_t>(BigEndianAt(raw, header.version == 3 ? 76 : 44, 4));
    header.mapOffset = header.length;
    return std::nullopt;
}

}  // namespace

std::optional<ChdFault> ReadChdHeader(const ByteSource& source, uint64_t fileSize, ChdHeader& header) {
    std::array<uint8_t, V5_LENGTH> raw{};
    if (fileSize < 16 || !ReadExactly(source, 0, std::span(raw).first(16)) ||
        std::memcmp(raw.data(), "MComprHD", 8) != 0)
        return ChdFault{ChdFault::Kind::NOT_A_CHD, "it is not a CHD file"};

    header = ChdHeader{};
    header.version = static_cast<uint32_t>(BigEndianAt(raw, 12, 4));
    header.length = static_cast<uint32_t>(BigEndianAt(raw, 8, 4));
    const size_t expected = header.version == 3   ? V3_LENGTH
                            : header.version == 4 ? V4_LENGTH
                            : header.version == 5 ? V5_LENGTH
                                                  : 0;
    if (expected == 0)
        return ChdFault{ChdFault::Kind::UNSUPPORTED,
                        "CHD version " + std::to_string(header.version) + " is not read"};
    if (header.length != expected) return Damaged("its header is damaged");
    const auto whole = std::span(raw).first(expected);
    if (fileSize < expected || !ReadExactly(source, 0, whole)) return Damaged("it is cut short");

    if (auto fault = header.version == 5 ? ReadVersion5(whole, header) : ReadVersion3Or4(whole, header))
        return fault;

    if (header.hunkSize == 0 || header.hunkSize > MAX_HUNK_SIZE)
        return Damaged("its hunk size of " + std::to_string(header.hunkSize) + " bytes is not usable");
    if (header.version == 5 && (header.unitSize == 0 || header.hunkSize % header.unitSize != 0))
        return Damaged("its unit size doesn't divide its hunks");
    if (header.logicalSize == 0) return Damaged("it holds no data");
    if (header.logicalSize > MAX_LOGICAL_SIZE)
        return Damaged("it claims " + std::to_string(header.logicalSize) + " bytes, more than any CD holds");

    const uint64_t needed = (header.logicalSize + header.hunkSize - 1) / header.hunkSize;
    if (header.version == 5) header.hunkCount = static_cast<uint32_t>(needed);
    if (header.hunkCount < needed) return Damaged("its hunks don't cover its size");

    // Every map form has a fixed part the file must hold; a compressed map's own length is checked
    // when it is read.
    const uint64_t mapBytes = header.version < 5       ? uint64_t{16} * header.hunkCount
                              : header.compressedMap() ? 16
                                                       : uint64_t{4} * header.hunkCount;
    if (header.mapOffset < header.length || header.mapOffset > fileSize ||
        mapBytes > fileSize - header.mapOffset)
        return Damaged("its map lies outside the file");
    if (header.metadataOffset != 0 &&
        (header.metadataOffset < header.length || header.metadataOffset >= fileSize))
        return Damaged("its track list lies outside the file");
    return std::nullopt;
}

std::string CodecName(uint32_t codec) {
    std::string name;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((codec >> shift) & 0xFF);
        if (c < 0x20 || c > 0x7E) {
            static const char* digits = "0123456789ABCDEF";
            std::string hex = "0x";
            for (int s = 28; s >= 0; s -= 4) hex += digits[(codec >> s) & 0xF];
            return hex;
        }
        name += c;
    }
    return name;
}

}  // namespace cartovex
