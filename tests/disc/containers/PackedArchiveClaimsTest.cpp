#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "disc/containers/Archive.h"
#include "disc/containers/PackedArchiveClaims.h"

namespace cartovex {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes LittleEndian(uint64_t value, size_t width) {
    Bytes out;
    for (size_t i = 0; i < width; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

// 7z's variable-length number, in its shortest form for small values and its longest otherwise
// (both are what writers emit).
Bytes Number(uint64_t value) {
    if (value < 0x80) return {static_cast<uint8_t>(value)};
    return Bytes{0xFF} + LittleEndian(value, 8);
}

// A 7z archive: the start header naming a directory at `offset` behind it with `length` bytes, then
// the packed data and the directory. CRCs are left zero: the check never looks at them.
Bytes SevenZip(const Bytes& directory, size_t packed = 16, std::optional<uint64_t> offset = {},
               std::optional<uint64_t> length = {}) {
    Bytes start = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4, 0, 0, 0, 0};
    start = start + LittleEndian(offset.value_or(packed), 8) +
            LittleEndian(length.value_or(directory.size()), 8) + LittleEndian(0, 4);
    return start + Bytes(packed, 0x5D) + directory;
}

// A packed directory's description: one packed stream, then `folders` (coder descriptions) with
// their output sizes.
Bytes Encoded(const Bytes& folders, size_t folderCount, const std::vector<uint64_t>& unpackSizes) {
    Bytes d = {0x17, 0x06, 0x00, 0x01, 0x09, 0x10, 0x00, 0x07, 0x0B};
    d = d + Number(folderCount) + Bytes{0x00} + folders + Bytes{0x0C};
    for (uint64_t size : unpackSizes) d = d + Number(size);
    return d + Bytes{0x0A, 0x01, 1, 2, 3, 4, 0x00, 0x00};
}

const Bytes LZMA_FOLDER = {0x01, 0x23, 0x03, 0x01, 0x01, 0x05, 0x5D, 0x00, 0x00, 0x80, 0x00};
// BCJ feeding LZMA: two coders, one bind pair.
const Bytes BCJ_LZMA_FOLDER = {0x02, 0x04, 0x03, 0x03, 0x01, 0x1B, 0x23, 0x03, 0x01,
                               0x01, 0x05, 0x5D, 0x00, 0x00, 0x80, 0x00, 0x01, 0x00};

bool Bounded(const Bytes& archive, std::optional<uint64_t> claimedSize = {}) {
    return SevenZipDirectoryIsBounded(MemorySource(archive), claimedSize.value_or(archive.size()));
}

TEST(SevenZipDirectory, BelievableDirectoriesPassAndHostileClaimsAreRefused) {
    const uint64_t limit = MAX_7Z_DIRECTORY_SIZE;
    struct Case {
        const char* what;
        Bytes archive;
        bool bounded;
    };
    const Bytes plain = {0x01, 0x04, 0x06, 0x00, 0x01, 0x09, 0x10, 0x00, 0x00, 0x00};
    const std::vector<Case> cases = {
        {"an empty archive", SevenZip({}, 0), true},
        {"a directory kept as it is", SevenZip(plain), true},
        {"a packed directory", SevenZip(Encoded(LZMA_FOLDER, 1, {600})), true},
        {"a packed directory at the bound", SevenZip(Encoded(LZMA_FOLDER, 1, {limit})), true},
        {"two coders with a bind pair", SevenZip(Encoded(BCJ_LZMA_FOLDER, 1, {5000, 5000})), true},
        {"a packed directory unpacking to 2 GiB", SevenZip(Encoded(LZMA_FOLDER, 1, {0x80FFFFFF})), false},
        {"one byte past the bound", SevenZip(Encoded(LZMA_FOLDER, 1, {limit + 1})), false},
        {"the second output too big", SevenZip(Encoded(BCJ_LZMA_FOLDER, 1, {5000, uint64_t{1} << 40})),
         false},
        {"a directory behind the end", SevenZip(plain, 16, 17), false},
        {"a directory running past the end", SevenZip(plain, 16, 16, plain.size() + 1), false},
        {"an offset that wraps around", SevenZip(plain, 16, ~uint64_t{0} - 8, 20), false},
        {"a start header cut short", Bytes{'7', 'z', 0xBC, 0xAF, 0x27, 0x1C, 0, 4}, false},
        {"no folders", SevenZip(Encoded({}, 0, {})), false},
        {"a folder without coders", SevenZip(Encoded({0x00}, 1, {600})), false},
        {"a reserved coder flag", SevenZip(Encoded({0x01, 0x81, 0x00}, 1, {600})), false},
        {"more bind pairs than inputs", SevenZip(Encoded({0x01, 0x10, 0x00, 0x00, 0x03}, 1, {1, 1, 1})),
         false},
        {"properties longer than the directory", SevenZip(Encoded({0x01, 0x21, 0x21, 0x7F}, 1, {600})),
         false},
    };
    for (const Case& c : cases) EXPECT_EQ(Bounded(c.archive), c.bounded) << c.what;

    // Every cut of a packed directory's description before its last size is refused, never read past.
    const Bytes encoded = Encoded(BCJ_LZMA_FOLDER, 1, {5000, 5000});
    for (size_t keep = 1; keep < encoded.size() - 8; ++keep) {
        const Bytes cut(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(Bounded(SevenZip(cut))) << "cut at " << keep;
    }
}

TEST(SevenZipDirectory, AHugeDirectoryIsRefusedEvenInsideAHugeFile) {
    // The file is as big as it says; only its start and directory description are ever read.
    const Bytes start = SevenZip({}, 0, 0, MAX_7Z_DIRECTORY_SIZE + 1);
    EXPECT_FALSE(Bounded(start, uint64_t{1} << 40));
    EXPECT_TRUE(Bounded(SevenZip({}, 0, 0, 0), uint64_t{1} << 40));
}

TEST(PackedArchiveKind, OnlyTheSignatureAtTheStartCounts) {
    const std::vector<std::pair<std::string, PackedArchiveKind>> cases = {
        {std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8), PackedArchiveKind::SEVEN_ZIP},
        {std::string("Rar!\x1A\x07\x00", 7), PackedArchiveKind::RAR},
        {std::string("Rar!\x1A\x07\x01\x00", 8), PackedArchiveKind::RAR},
        {std::string("Rar!\x1A\x07\x02\x00", 8), PackedArchiveKind::NONE},
        {std::string("MZ\x90\x00 self-extracting 7z\xBC\xAF\x27\x1C", 28), PackedArchiveKind::NONE},
        {"7z", PackedArchiveKind::NONE},
        {"", PackedArchiveKind::NONE},
    };
    for (const auto& [start, kind] : cases) {
        const Bytes bytes(start.begin(), start.end());
        EXPECT_EQ(PackedArchiveKindOf(bytes), kind) << start;
    }
}

}  // namespace
}  // namespace cartovex
