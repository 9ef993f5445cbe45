#include "disc/containers/PackedArchiveClaims.h"

#include <algorithm>
#include <array>
#include <vector>

#include "disc/containers/ByteReads.h"

namespace cartovex {

namespace {

constexpr std::array<uint8_t, 6> SEVEN_ZIP_SIGNATURE = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr std::array<uint8_t, 7> RAR4_MARKER = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
constexpr std::array<uint8_t, 8> RAR5_MARKER = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};

// The fixed start of a 7z archive: signature, version, CRC, then where the directory lies behind
// these 32 bytes and how long it is.
constexpr size_t START_HEADER_SIZE = 32;
constexpr size_t DIRECTORY_OFFSET_AT = 12;
constexpr size_t DIRECTORY_SIZE_AT = 20;

// A packed directory is described by a few dozen bytes; this is plenty to read them.
constexpr size_t DESCRIPTION_READ_SIZE = 4096;
// More folders, coders or streams than this in the description of one directory is no real archive.
constexpr uint64_t MAX_DESCRIPTION_ITEMS = 64;

// Property ids of the 7z directory.
constexpr uint8_t ID_END = 0x00;
constexpr uint8_t ID_PACK_INFO = 0x06;
constexpr uint8_t ID_UNPACK_INFO = 0x07;
constexpr uint8_t ID_SIZE = 0x09;
constexpr uint8_t ID_CRC = 0x0A;
constexpr uint8_t ID_FOLDER = 0x0B;
constexpr uint8_t ID_UNPACK_SIZE = 0x0C;
constexpr uint8_t ID_ENCODED_HEADER = 0x17;

// Coder flags: the low nibble is the method id's length.
constexpr uint8_t CODER_ID_SIZE_MASK = 0x0F;
constexpr uint8_t CODER_COMPLEX = 0x10;
constexpr uint8_t CODER_HAS_PROPERTIES = 0x20;
constexpr uint8_t CODER_RESERVED = 0xC0;

template <size_t N>
bool StartsWith(std::span<const uint8_t> bytes, const std::array<uint8_t, N>& prefix) {
    return bytes.size() >= N && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

uint64_t LittleEndian64(std::span<const uint8_t> bytes, size_t at) {
    uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value |= uint64_t{bytes[at + i]} << (8 * i);
    return value;
}

// Reads the directory's bytes; once they run out, every read gives 0 and the cursor is failed.
class Cursor {
public:
    explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    bool failed() const { return failed_; }

    uint8_t Byte() {
        if (pos_ >= bytes_.size()) {
            failed_ = true;
            return 0;
        }
        return bytes_[pos_++];
    }

    // 7z's variable-length number: the leading one bits of the first byte count the bytes that
    // follow (little-endian); the first byte's remaining bits are the number's top.
    uint64_t Number() {
        const uint8_t first = Byte();
        uint64_t value = 0;
        uint8_t mask = 0x80;
        for (int i = 0; i < 8; ++i) {
            if ((first & mask) == 0) return value | (uint64_t{first & (mask - 1u)} << (8 * i));
            value |= uint64_t{Byte()} << (8 * i);
            mask >>= 1;
        }
        return value;
    }

    void Skip(uint64_t count) {
        if (count > bytes_.size() - pos_) {
            failed_ = true;
            pos_ = bytes_.size();
            return;
        }
        pos_ += static_cast<size_t>(count);
    }

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
    bool failed_ = false;
};

// CRCs of `count` streams: a byte saying whether all are given, else one bit each, then 4 bytes per
// CRC given.
void SkipDigests(Cursor& cursor, uint64_t count) {
    uint64_t given = count;
    if (cursor.Byte() == 0) {
        given = 0;
        uint8_t bits = 0;
        for (uint64_t i = 0; i < count; ++i) {
            if (i % 8 == 0) bits = cursor.Byte();
            if (bits & (0x80 >> (i % 8))) ++given;
        }
    }
    cursor.Skip(given * 4);
}

// The coders of one folder; gives how many streams the folder unpacks to, 0 for a broken folder.
uint64_t SkipFolder(Cursor& cursor) {
    const uint64_t coders = cursor.Number();
    if (coders == 0 || coders > MAX_DESCRIPTION_ITEMS) return 0;
    uint64_t inputs = 0, outputs = 0;
    for (uint64_t i = 0; i < coders && !cursor.failed(); ++i) {
        const uint8_t flags = cursor.Byte();
        if (flags & CODER_RESERVED) return 0;
        cursor.Skip(flags & CODER_ID_SIZE_MASK);
        if (flags & CODER_COMPLEX) {
            inputs += std::min(cursor.Number(), MAX_DESCRIPTION_ITEMS + 1);
            outputs += std::min(cursor.Number(), MAX_DESCRIPTION_ITEMS + 1);
        } else {
            ++inputs;
            ++outputs;
        }
        if (flags & CODER_HAS_PROPERTIES) cursor.Skip(cursor.Number());
    }
    if (outputs == 0 || outputs > MAX_DESCRIPTION_ITEMS || inputs > MAX_DESCRIPTION_ITEMS) return 0;
    // Every output but the last feeds another coder's input; the inputs left over are packed streams.
    const uint64_t bindPairs = outputs - 1;
    if (inputs < bindPairs) return 0;
    for (uint64_t i = 0; i < bindPairs; ++i) {
        cursor.Number();
        cursor.Number();
    }
    const uint64_t packedStreams = inputs - bindPairs;
    if (packedStreams > 1) {
        for (uint64_t i = 0; i < packedStreams; ++i) cursor.Number();
    }
    return cursor.failed() ? 0 : outputs;
}

// A packed directory's description: where its packed bytes lie, then the folders that unpack them
// and the size of each folder's outputs. Only those sizes matter here.
bool PackedDirectoryIsBounded(Cursor& cursor) {
    uint8_t id = cursor.Byte();
    if (id == ID_PACK_INFO) {
        cursor.Number();  // position of the packed bytes
        const uint64_t streams = cursor.Number();
        if (streams > MAX_DESCRIPTION_ITEMS) return false;
        for (id = cursor.Byte(); id != ID_END && !cursor.failed(); id = cursor.Byte()) {
            if (id == ID_SIZE) {
                for (uint64_t i = 0; i < streams; ++i) cursor.Number();
            } else if (id == ID_CRC) {
                SkipDigests(cursor, streams);
            } else {
                return false;
            }
        }
        id = cursor.Byte();
    }
    if (id != ID_UNPACK_INFO || cursor.Byte() != ID_FOLDER) return false;
    const uint64_t folders = cursor.Number();
    if (folders == 0 || folders > MAX_DESCRIPTION_ITEMS) return false;
    if (cursor.Byte() != 0) return false;  // folders kept elsewhere: not in a directory's description
    uint64_t outputs = 0;
    for (uint64_t i = 0; i < folders; ++i) {
        const uint64_t folderOutputs = SkipFolder(cursor);
        if (folderOutputs == 0) return false;
        outputs += folderOutputs;
    }
    if (cursor.Byte() != ID_UNPACK_SIZE) return false;
    for (uint64_t i = 0; i < outputs; ++i) {
        if (cursor.Number() > MAX_7Z_DIRECTORY_SIZE) return false;
    }
    return !cursor.failed();
}

}  // namespace

PackedArchiveKind PackedArchiveKindOf(std::span<const uint8_t> start) {
    if (StartsWith(start, SEVEN_ZIP_SIGNATURE)) return PackedArchiveKind::SEVEN_ZIP;
    if (StartsWith(start, RAR4_MARKER) || StartsWith(start, RAR5_MARKER)) return PackedArchiveKind::RAR;
    return PackedArchiveKind::NONE;
}

namespace {

// The same, once the archive's start header has been read.
bool SevenZipDirectoryIsBounded(std::span<const uint8_t, START_HEADER_SIZE> start, const ByteSource& source,
                                uint64_t size) {
    const uint64_t offset = LittleEndian64(start, DIRECTORY_OFFSET_AT);
    const uint64_t length = LittleEndian64(start, DIRECTORY_SIZE_AT);
    if (size < START_HEADER_SIZE) return false;
    const uint64_t room = size - START_HEADER_SIZE;
    if (offset > room || length > room - offset || length > MAX_7Z_DIRECTORY_SIZE) return false;
    // An empty archive has no directory at all.
    if (length == 0) return true;

    std::vector<uint8_t> description(static_cast<size_t>(std::min<uint64_t>(length, DESCRIPTION_READ_SIZE)));
    if (!ReadExactly(source, START_HEADER_SIZE + offset, description)) return false;
    Cursor cursor(description);
    // A directory kept as it is was bounded above; a packed one is bounded by what it unpacks to.
    if (cursor.Byte() != ID_ENCODED_HEADER) return true;
    return PackedDirectoryIsBounded(cursor);
}

}  // namespace

bool SevenZipDirectoryIsBounded(const ByteSource& source, uint64_t size) {
    std::array<uint8_t, START_HEADER_SIZE> start{};
    return ReadExactly(source, 0, start) && SevenZipDirectoryIsBounded(start, source, size);
}

bool PackedArchiveWorthOpening(const ByteSource& source, uint64_t size) {
    // One read serves the signature test and a 7z archive's start header.
    std::array<uint8_t, START_HEADER_SIZE> start{};
    const auto got = source(0, start);
    if (!got) return false;
    switch (PackedArchiveKindOf(std::span<const uint8_t>(start.data(), std::min(*got, start.size())))) {
        case PackedArchiveKind::SEVEN_ZIP:
            // A file shorter than the start header holds no directory to read.
            return *got == START_HEADER_SIZE && SevenZipDirectoryIsBounded(start, source, size);
        case PackedArchiveKind::RAR:
            return true;
        case PackedArchiveKind::NONE:
            break;
    }
    return false;
}

}  // namespace cartovex
