#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "verify/PortableDigests.h"
#include "verify/TrackHasher.h"

namespace cartovex {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct Vector {
    std::string input;
    uint32_t crc;
    const char* sha1;
    const char* md5;
};

// The published check values of each algorithm.
const Vector VECTORS[] = {
    {"", 0x00000000, "da39a3ee5e6b4b0d3255bfef95601890afd80709", "d41d8cd98f00b204e9800998ecf8427e"},
    {"abc", 0x352441C2, "a9993e364706816aba3e25717850c26c9cd0d89d", "900150983cd24fb0d6963f7d28e17f72"},
    {"123456789", 0xCBF43926, "f7c3bc1d808e04732adf679965ccc34ca7ae3441", "25f9e794323b453885f5181f1b624d0b"},
    {"The quick brown fox jumps over the lazy dog", 0x414FA339, "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12",
     "9e107d9d372bb6826bd81d3542a419d6"},
    {std::string(1000000, 'a'), 0xDC25BFBC, "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
     "7707d6ae4e027c70eea2a935c2296f21"},
};

TEST(TrackHasherTest, KnownVectorsWholeAndByteByByte) {
    for (const Vector& v : VECTORS) {
        SCOPED_TRACE(v.input.substr(0, 20));
        TrackHasher whole(true), split(true);
        whole.Update(Bytes(v.input));
        for (uint8_t b : Bytes(v.input)) split.Update({&b, 1});
        for (TrackHasher* hasher : {&whole, &split}) {
            const TrackDigest d = hasher->Finish();
            EXPECT_EQ(d.size, v.input.size());
            EXPECT_EQ(d.crc, v.crc);
            EXPECT_EQ(HexDigest(d.sha1), v.sha1);
            ASSERT_TRUE(d.md5);
            EXPECT_EQ(HexDigest(*d.md5), v.md5);
        }
        PortableSha1 sha1;
        PortableMd5 md5;
        sha1.Update(Bytes(v.input));
        md5.Update(Bytes(v.input));
        EXPECT_EQ(HexDigest(sha1.Finish()), v.sha1);
        EXPECT_EQ(HexDigest(md5.Finish()), v.md5);
    }
}

TEST(TrackHasherTest, Md5OnlyWhenAskedFor) {
    TrackHasher hasher;
    hasher.Update(Bytes("abc"));
    EXPECT_FALSE(hasher.Finish().md5);
}

// The padding rules bite at 55, 56, 63 and 64 bytes into a block, and pieces that straddle blocks
// exercise the carried-over part: the portable digests (the Windows build's) must agree with the
// hasher for every length up to three blocks, fed in pieces of several sizes, and the CRC with
// zlib's.
TEST(TrackHasherTest, PortableDigestsAndCrcAgreeAcrossBlockEdges) {
    std::vector<uint8_t> data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 37 + 11);
    for (size_t length = 0; length <= data.size(); ++length) {
        for (size_t piece : {size_t{1}, size_t{7}, size_t{64}, size_t{65}}) {
            SCOPED_TRACE("length " + std::to_string(length) + ", pieces of " + std::to_string(piece));
            TrackHasher hasher(true);
            PortableSha1 sha1;
            PortableMd5 md5;
            for (size_t at = 0; at < length; at += piece) {
                const std::span<const uint8_t> part(data.data() + at, std::min(piece, length - at));
                hasher.Update(part);
                sha1.Update(part);
                md5.Update(part);
            }
            const TrackDigest d = hasher.Finish();
            EXPECT_EQ(d.sha1, sha1.Finish());
            EXPECT_EQ(*d.md5, md5.Finish());
            EXPECT_EQ(d.crc, static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(length))));
        }
    }
}

TEST(TrackHasherTest, HexDigestIsLowerCaseTwoDigitsAByte) {
    const uint8_t bytes[] = {0x00, 0x0A, 0xF0, 0xFF};
    EXPECT_EQ(HexDigest(bytes), "000af0ff");
    EXPECT_EQ(HexDigest({}), "");
}

}  // namespace
}  // namespace cartovex
