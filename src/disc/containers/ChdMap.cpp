#include "disc/containers/ChdMap.h"

#include <array>

#include "disc/containers/BitReader.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/Crc16.h"
#include "disc/containers/HuffmanDecoder.h"

namespace cartovex {

namespace {

// The hunk kinds of a version 5 map, and the extra symbols of its compressed form.
enum V5Kind : int {
    V5_CODEC_0 = 0,  // 0 to 3: packed by the codec of that slot
    V5_CODEC_3 = 3,
    V5_STORED = 4,
    V5_SELF = 5,
    V5_PARENT = 6,
    V5_RUN_SHORT = 7,     // the last kind again, 2 + (one symbol) more times
    V5_RUN_LONG = 8,      // the last kind again, 18 + (two symbols, 8 bits) more times
    V5_SELF_SAME = 9,     // a copy of the hunk the last copy copied
    V5_SELF_NEXT = 10,    // ... of the one after it
    V5_PARENT_SELF = 11,  // the parent's hunk at the same place
    V5_PARENT_SAME = 12,
    V5_PARENT_NEXT = 13,
};

// The versions 3 and 4 kinds (low four bits of an entry's last byte).
enum V34Kind : int { V34_PACKED = 1, V34_STORED = 2, V34_MINI = 3, V34_SELF = 4, V34_PARENT = 5 };
constexpr uint8_t V34_NO_CRC = 0x10;

constexpr int MAP_SYMBOLS = 16;
constexpr int MAP_CODE_BITS = 8;

ChdFault Damaged(std::string reason) {
    return {ChdFault::Kind::DAMAGED, std::move(reason)};
}

std::string Hunk(uint32_t hunk) {
    return "hunk " + std::to_string(hunk);
}

// The bytes an entry names must lie inside the file, and a copy must name an earlier hunk (the writer
// only ever refers back, so a reference forward or to itself can only be damage, and would loop).
std::optional<ChdFault> CheckEntry(const HunkEntry& entry, uint64_t fileSize, const ChdHeader& header,
                                   uint32_t hunk) {
    switch (entry.kind) {
        case HunkEntry::Kind::PACKED:
            if (entry.length == 0 || entry.length > header.hunkSize)
                return Damaged(Hunk(hunk) + " is damaged");
            [[fallthrough]];
        case HunkEntry::Kind::STORED: {
            const uint64_t length = entry.kind == HunkEntry::Kind::STORED ? header.hunkSize : entry.length;
            if (entry.offset > fileSize || length > fileSize - entry.offset)
                return Damaged(Hunk(hunk) + " lies outside the file");
            break;
        }
        case HunkEntry::Kind::COPY:
            if (entry.offset >= hunk) return Damaged(Hunk(hunk) + " is a copy of a hunk that follows it");
            break;
        case HunkEntry::Kind::MINI:
        case HunkEntry::Kind::ZERO:
            break;
    }
    return std::nullopt;
}

// The kind of each hunk in turn, runs spelled out.
class KindStream {
public:
    KindStream(const HuffmanDecoder& code, BitReader& bits) : code_(code), bits_(bits) {}

    std::optional<int> Next() {
        if (repeat_ > 0) {
            --repeat_;
            return last_;
        }
        const auto symbol = code_.Decode(bits_);
        if (!symbol) return std::nullopt;
        if (*symbol == V5_RUN_SHORT || *symbol == V5_RUN_LONG) {
            auto count = code_.Decode(bits_);
            if (!count) return std::nullopt;
            if (*symbol == V5_RUN_LONG) {
                const auto low = code_.Decode(bits_);
                if (!low) return std::nullopt;
                *count = 16 + (*count << 4) + *low;
            }
            repeat_ = 2 + *count;
            return last_;
        }
        last_ = *symbol;
        return last_;
    }

private:
    const HuffmanDecoder& code_;
    BitReader& bits_;
    int last_ = 0;
    int repeat_ = 0;
};

}  // namespace

// A compressed map decoded entry by entry, in hunk order. Only the decoder's state is kept.
class CompressedMap {
public:
    CompressedMap(const ByteSource& source, uint64_t fileSize, const ChdHeader& header)
        : source_(source), fileSize_(fileSize), header_(header), code_(MAP_SYMBOLS, MAP_CODE_BITS) {}
    CompressedMap(const CompressedMap&) = delete;
    CompressedMap& operator=(const CompressedMap&) = delete;

    std::optional<ChdFault> Start() {
        std::array<uint8_t, 16> head{};
        if (!ReadExactly(source_, header_.mapOffset, head)) return Damaged("its map is cut short");
        const uint64_t streamBytes = BigEndianAt(head, 0, 4);
        nextOffset_ = BigEndianAt(head, 4, 6);
        mapCrc_ = static_cast<uint16_t>(BigEndianAt(head, 10, 2));
        lengthBits_ = head[12];
        selfBits_ = head[13];
        parentBits_ = head[14];
        const uint64_t streamStart = header_.mapOffset + head.size();
        if (streamBytes > fileSize_ - streamStart) return Damaged("its map lies outside the file");
        if (lengthBits_ > 24 || selfBits_ > 32 || parentBits_ > 48) return Damaged("its map is damaged");

        BitReader kinds(source_, streamStart, streamBytes);
        if (!code_.ImportLengths(kinds)) return Damaged("its map is damaged");
        const uint64_t kindsStart = kinds.Position();

        // The fields start where the last kind ends, so the kinds are read through once to find it,
        // and then again beside the fields: nothing the size of the map is ever held.
        {
            KindStream pass(code_, kinds);
            for (uint32_t hunk = 0; hunk < header_.hunkCount; ++hunk)
                if (!pass.Next() || kinds.Broken()) return Damaged("its map is damaged");
        }
        fields_.emplace(source_, streamStart, streamBytes, kinds.Position());
        kindsAgain_.emplace(source_, streamStart, streamBytes, kindsStart);
        kindOf_.emplace(code_, *kindsAgain_);
        return std::nullopt;
    }

    /// Decodes the entry of the next hunk, `hunk`; fills `entry` when given (a hunk's own faults,
    /// such as a parent it needs, are reported only then).
    std::optional<ChdFault> Next(uint32_t hunk, HunkEntry* entry) {
        int kind = kindOf_->Next().value_or(-1);
        uint64_t offset = nextOffset_, length = 0, check = 0;
        BitReader& fields = *fields_;
        const uint64_t unitsPerHunk = header_.hunkSize / header_.unitSize;
        switch (kind) {
            case V5_STORED:
            case V5_CODEC_0:
            case V5_CODEC_0 + 1:
            case V5_CODEC_0 + 2:
            case V5_CODEC_3:
                length = kind == V5_STORED ? header_.hunkSize : fields.Read(lengthBits_);
                nextOffset_ += length;
                check = fields.Read(16);
                break;
            case V5_SELF:
                offset = lastSelf_ = fields.Read(selfBits_);
                break;
            case V5_PARENT:
                offset = lastParent_ = fields.Read(parentBits_);
                break;
            case V5_SELF_NEXT:
                ++lastSelf_;
                [[fallthrough]];
            case V5_SELF_SAME:
                kind = V5_SELF;
                offset = lastSelf_;
                break;
            case V5_PARENT_SELF:
                kind = V5_PARENT;
                offset = lastParent_ = hunk * unitsPerHunk;
                break;
            case V5_PARENT_NEXT:
                lastParent_ += unitsPerHunk;
                [[fallthrough]];
            case V5_PARENT_SAME:
                kind = V5_PARENT;
                offset = lastParent_;
                break;
            default:
                return Damaged("its map names an unknown kind of hunk");
        }
        // The CRC covers each entry as the unpacked map holds it.
        const std::array<uint8_t, 12> unpacked = {
            static_cast<uint8_t>(kind),         static_cast<uint8_t>(length >> 16),
            static_cast<uint8_t>(length >> 8),  static_cast<uint8_t>(length),
            static_cast<uint8_t>(offset >> 40), static_cast<uint8_t>(offset >> 32),
            static_cast<uint8_t>(offset >> 24), static_cast<uint8_t>(offset >> 16),
            static_cast<uint8_t>(offset >> 8),  static_cast<uint8_t>(offset),
            static_cast<uint8_t>(check >> 8),   static_cast<uint8_t>(check)};
        crc_ = Crc16Update(unpacked, crc_);
        if (fields.Broken()) return Damaged("its map is cut short");
        if (!entry) return std::nullopt;
        *entry = HunkEntry{};
        entry->offset = offset;
        entry->length = static_cast<uint32_t>(length);
        entry->check = HunkEntry::Check::CRC16;
        entry->crc = static_cast<uint32_t>(check);
        if (kind == V5_STORED) {
            entry->kind = HunkEntry::Kind::STORED;
        } else if (kind == V5_SELF) {
            entry->kind = HunkEntry::Kind::COPY;
            entry->check = HunkEntry::Check::NONE;
        } else if (kind == V5_PARENT) {
            return Damaged(Hunk(hunk) + " refers to a parent CHD the file doesn't name");
        } else {
            entry->kind = HunkEntry::Kind::PACKED;
            entry->codec = header_.codecs[static_cast<size_t>(kind)];
            if (entry->codec == 0) return Damaged(Hunk(hunk) + " names a codec the file doesn't list");
        }
        return std::nullopt;
    }

    /// After the last hunk: the map's own check.
    std::optional<ChdFault> Finish() const {
        if (fields_->Broken() || kindsAgain_->Broken()) return Damaged("its map is cut short");
        if (crc_ != mapCrc_) return Damaged("its map fails its check");
        return std::nullopt;
    }

private:
    const ByteSource& source_;
    uint64_t fileSize_;
    const ChdHeader& header_;
    HuffmanDecoder code_;
    std::optional<BitReader> fields_, kindsAgain_;
    std::optional<KindStream> kindOf_;
    uint64_t nextOffset_ = 0;
    uint16_t mapCrc_ = 0;
    int lengthBits_ = 0, selfBits_ = 0, parentBits_ = 0;
    uint16_t crc_ = CRC16_PRESET;
    uint64_t lastSelf_ = 0, lastParent_ = 0;
};

namespace {

// One entry of a compressed map: the map is decoded through to its end, so its own check is made
// before any entry of it is trusted.
std::optional<ChdFault> ReadCompressedEntry(const ByteSource& source, uint64_t fileSize,
                                            const ChdHeader& header, uint32_t wanted, HunkEntry& entry) {
    CompressedMap map(source, fileSize, header);
    if (auto fault = map.Start()) return fault;
    for (uint32_t hunk = 0; hunk < header.hunkCount; ++hunk)
        if (auto fault = map.Next(hunk, hunk == wanted ? &entry : nullptr)) return fault;
    return map.Finish();
}

std::optional<ChdFault> ReadPlainEntry(const ByteSource& source, const ChdHeader& header, uint32_t hunk,
                                       HunkEntry& entry) {
    std::array<uint8_t, 4> raw{};
    if (!ReadExactly(source, header.mapOffset + uint64_t{4} * hunk, raw))
        return Damaged("its map is cut short");
    const uint64_t place = BigEndian(raw);
    entry = HunkEntry{};
    entry.kind = place == 0 ? HunkEntry::Kind::ZERO : HunkEntry::Kind::STORED;
    entry.offset = place * header.hunkSize;
    return std::nullopt;
}

std::optional<ChdFault> ReadVersion34Entry(const ByteSource& source, const ChdHeader& header, uint32_t hunk,
                                           HunkEntry& entry) {
    std::array<uint8_t, 16> raw{};
    if (!ReadExactly(source, header.mapOffset + uint64_t{16} * hunk, raw))
        return Damaged("its map is cut short");
    entry = HunkEntry{};
    entry.offset = BigEndianAt(raw, 0, 8);
    entry.crc = static_cast<uint32_t>(BigEndianAt(raw, 8, 4));
    entry.length = static_cast<uint32_t>(BigEndianAt(raw, 12, 2) | (uint32_t{raw[14]} << 16));
    entry.check = (raw[15] & V34_NO_CRC) ? HunkEntry::Check::NONE : HunkEntry::Check::CRC32;
    switch (raw[15] & 0x0F) {
        case V34_PACKED:
            entry.kind = HunkEntry::Kind::PACKED;
            entry.codec = header.codecs[0];
            if (entry.codec == 0) return Damaged(Hunk(hunk) + " is packed in a file that packs nothing");
            break;
        case V34_STORED:
            entry.kind = HunkEntry::Kind::STORED;
            break;
        case V34_MINI:
            entry.kind = HunkEntry::Kind::MINI;
            break;
        case V34_SELF:
            entry.kind = HunkEntry::Kind::COPY;
            entry.check = HunkEntry::Check::NONE;
            break;
        case V34_PARENT:
            return Damaged(Hunk(hunk) + " refers to a parent CHD the file doesn't name");
        default:
            return Damaged("its map names an unknown kind of hunk");
    }
    return std::nullopt;
}

}  // namespace

std::optional<ChdFault> ReadHunkEntry(const ByteSource& source, uint64_t fileSize, const ChdHeader& header,
                                      uint32_t hunk, HunkEntry& entry) {
    if (hunk >= header.hunkCount) return Damaged(Hunk(hunk) + " is beyond the end of its data");
    std::optional<ChdFault> fault = header.version < 5 ? ReadVersion34Entry(source, header, hunk, entry)
                                    : header.compressedMap()
                                        ? ReadCompressedEntry(source, fileSize, header, hunk, entry)
                                        : ReadPlainEntry(source, header, hunk, entry);
    if (fault) return fault;
    return CheckEntry(entry, fileSize, header, hunk);
}

HunkMapWalk::HunkMapWalk(const ByteSource& source, uint64_t fileSize, const ChdHeader& header)
    : source_(source), fileSize_(fileSize), header_(header) {}

HunkMapWalk::~HunkMapWalk() = default;

std::optional<ChdFault> HunkMapWalk::Next(HunkEntry& entry) {
    const uint32_t hunk = next_;
    if (hunk >= header_.hunkCount) return Damaged(Hunk(hunk) + " is beyond the end of its data");
    ++next_;
    if (!header_.compressedMap()) return ReadHunkEntry(source_, fileSize_, header_, hunk, entry);
    if (!compressed_) {
        compressed_ = std::make_unique<CompressedMap>(source_, fileSize_, header_);
        startFault_ = compressed_->Start();
    }
    if (startFault_) return startFault_;
    if (auto fault = compressed_->Next(hunk, &entry)) return fault;
    if (next_ == header_.hunkCount)
        if (auto fault = compressed_->Finish()) return fault;
    return CheckEntry(entry, fileSize_, header_, hunk);
}

}  // namespace cartovex
