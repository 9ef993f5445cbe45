#include "disc/containers/ChdFile.h"

#include <algorithm>
#include <array>

#include "disc/Crc32.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdCodecs.h"
#include "disc/containers/ChdMap.h"
#include "disc/containers/Crc16.h"

namespace cartovex {

namespace {

// The writer makes a hunk that repeats an earlier one a copy of that one's first appearance, so
// copies of copies don't occur; a few are allowed, a long chain is damage.
constexpr int MAX_COPY_STEPS = 8;
constexpr size_t METADATA_HEAD_SIZE = 16;

ChdFault Damaged(std::string reason) {
    return {ChdFault::Kind::DAMAGED, std::move(reason)};
}

}  // namespace

std::optional<ChdFault> ChdFile::ReadHunk(uint32_t hunk, std::vector<uint8_t>& out) const {
    HunkEntry entry;
    if (auto fault = ReadHunkEntry(source_, size_, header_, hunk, entry)) return fault;
    return ReadHunk(hunk, entry, out);
}

std::optional<ChdFault> ChdFile::ReadHunk(uint32_t hunk, HunkEntry entry, std::vector<uint8_t>& out) const {
    const std::string name = "hunk " + std::to_string(hunk);
    for (int step = 0; entry.kind == HunkEntry::Kind::COPY; ++step) {
        if (step == MAX_COPY_STEPS) return Damaged(name + " is a copy of a copy, too many times over");
        const auto at = static_cast<uint32_t>(entry.offset);
        if (auto fault = ReadHunkEntry(source_, size_, header_, at, entry)) return fault;
    }

    out.assign(header_.hunkSize, 0);
    switch (entry.kind) {
        case HunkEntry::Kind::PACKED: {
            std::vector<uint8_t> stored(entry.length);
            if (!ReadExactly(source_, entry.offset, stored)) return Damaged(name + " is cut short");
            switch (UnpackHunk(entry.codec, stored, out)) {
                case Unpacked::OK:
                    break;
                case Unpacked::UNSUPPORTED:
                    return ChdFault{ChdFault::Kind::UNSUPPORTED, name + " is packed with " +
                                                                     CodecName(entry.codec) +
                                                                     ", which this build doesn't read"};
                case Unpacked::BROKEN:
                    return Damaged(name + " doesn't unpack");
            }
            break;
        }
        case HunkEntry::Kind::STORED:
            if (!ReadExactly(source_, entry.offset, out)) return Damaged(name + " is cut short");
            break;
        case HunkEntry::Kind::MINI:
            for (size_t i = 0; i < out.size(); ++i)
                out[i] = static_cast<uint8_t>(entry.offset >> (8 * (7 - i % 8)));
            break;
        case HunkEntry::Kind::ZERO:
        case HunkEntry::Kind::COPY:
            break;
    }

    const bool matches = entry.check == HunkEntry::Check::NONE ||
                         (entry.check == HunkEntry::Check::CRC16 && Crc16(out) == entry.crc) ||
                         (entry.check == HunkEntry::Check::CRC32 &&
                          (Crc32Update(out.data(), out.size(), 0xFFFFFFFF) ^ 0xFFFFFFFF) == entry.crc);
    if (!matches) return Damaged(name + " fails its check");
    return std::nullopt;
}

std::optional<ChdFault> ChdFile::ReadMetadata(std::vector<ChdMetadata>& entries) const {
    entries.clear();
    for (uint64_t at = header_.metadataOffset; at != 0;) {
        if (entries.size() == MAX_METADATA_ENTRIES) return Damaged("its track list never ends");
        std::array<uint8_t, METADATA_HEAD_SIZE> head{};
        if (at < header_.length || at > size_ || !ReadExactly(source_, at, head))
            return Damaged("its track list lies outside the file");
        const uint64_t length = BigEndianAt(head, 5, 3);
        if (length > size_ - at - METADATA_HEAD_SIZE) return Damaged("its track list lies outside the file");
        ChdMetadata entry;
        entry.tag = static_cast<uint32_t>(BigEndianAt(head, 0, 4));
        entry.data.resize(static_cast<size_t>(std::min<uint64_t>(length, MAX_METADATA_READ)));
        if (!ReadExactly(source_, at + METADATA_HEAD_SIZE,
                         std::span(reinterpret_cast<uint8_t*>(entry.data.data()), entry.data.size())))
            return Damaged("its track list is cut short");
        entries.push_back(std::move(entry));
        at = BigEndianAt(head, 8, 8);
    }
    return std::nullopt;
}

}  // namespace cartovex
