// The pieces under the CHD reader: its checksum, its Huffman code and its track list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disc/containers/BitReader.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdTracks.h"
#include "disc/containers/Crc16.h"
#include "disc/containers/HuffmanDecoder.h"

namespace cartovex {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(Crc16, IsTheCcittVariantWithItsCatalogueCheckValue) {
    EXPECT_EQ(Crc16(Bytes("123456789")), 0x29B1);
    EXPECT_EQ(Crc16(Bytes("")), 0xFFFF);
    // Running in pieces gives the same.
    EXPECT_EQ(Crc16Update(Bytes("6789"), Crc16Update(Bytes("12345"), CRC16_PRESET)), 0x29B1);
}

// Bits from a text of '0' and '1'.
std::string Packed(const std::string& bits) {
    std::string bytes((bits.size() + 7) / 8, '\0');
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1') bytes[i / 8] = static_cast<char>(bytes[i / 8] | (0x80 >> (i % 8)));
    return bytes;
}

std::string Field(int value) {
    std::string bits;
    for (int bit = 3; bit >= 0; --bit) bits += ((value >> bit) & 1) ? '1' : '0';
    return bits;
}

// The lengths of 16 symbols in the 4-bit run-length form: each written out, a 1 as "1 1".
std::string Lengths(const std::vector<int>& lengths) {
    std::string bits;
    for (int length : lengths) bits += length == 1 ? Field(1) + Field(1) : Field(length);
    return bits;
}

struct Decoded {
    bool imported;
    std::vector<int> symbols;
};

Decoded Decode(const std::string& bits, int count) {
    const std::string bytes = Packed(bits);
    const ByteSource source = MemorySource(Bytes(bytes));
    BitReader reader(source, 0, bytes.size());
    HuffmanDecoder code(16, 8);
    Decoded decoded{code.ImportLengths(reader), {}};
    for (int i = 0; decoded.imported && i < count; ++i)
        if (auto symbol = code.Decode(reader)) decoded.symbols.push_back(*symbol);
    return decoded;
}

TEST(HuffmanDecoder, CodesAreHandedOutFromTheLongestLengthUp) {
    // Symbol 3 has a 1-bit code, symbols 5 and 9 have 2-bit ones. Handed out from the longest codes,
    // 5 is "00", 9 is "01" and 3 is "1" (the usual canonical order would make 3 "0").
    std::vector<int> lengths(16, 0);
    lengths[3] = 1;
    lengths[5] = lengths[9] = 2;
    const Decoded decoded = Decode(Lengths(lengths) + "1" + "00" + "01" + "1", 4);
    ASSERT_TRUE(decoded.imported);
    EXPECT_EQ(decoded.symbols, (std::vector<int>{3, 5, 9, 3}));
}

TEST(HuffmanDecoder, RunsOfLengthsAndBrokenCodesAreTold) {
    // "1 4 13": sixteen 4-bit codes, each symbol its own value.
    EXPECT_EQ(Decode(Field(1) + Field(4) + Field(13) + Field(7) + Field(15) + Field(0), 3).symbols,
              (std::vector<int>{7, 15, 0}));
    struct Broken {
        const char* name;
        std::string bits;
    };
    std::vector<int> tooMany(16, 0), uneven(16, 0), tooLong(16, 0);
    tooMany[0] = tooMany[1] = tooMany[2] = 1;  // three 1-bit codes
    uneven[0] = 1;
    uneven[1] = 2;  // a 2-bit code without its pair
    tooLong[0] = tooLong[1] = 9;
    const std::vector<Broken> cases = {
        {"three one-bit codes", Lengths(tooMany)},
        {"an odd code count", Lengths(uneven)},
        {"longer than eight bits", Lengths(tooLong)},
        {"a run past the last symbol", Field(1) + Field(4) + Field(14)},
        {"cut short", Field(1) + Field(4)},
    };
    for (const Broken& c : cases) EXPECT_FALSE(Decode(c.bits, 0).imported) << c.name;

    // A lone 1-bit code leaves the other half of the table empty: those bits decode to nothing.
    std::vector<int> lone(16, 0);
    lone[6] = 1;
    const Decoded decoded = Decode(Lengths(lone) + "0" + "1", 2);
    ASSERT_TRUE(decoded.imported);
    EXPECT_EQ(decoded.symbols, std::vector<int>{6});
}

ChdMetadata Entry(std::string_view tag, std::string text) {
    return {FourCc(tag), std::move(text)};
}

TEST(ChdTracks, TheListGivesTypesFramesAndWhereTheFirstSectorOfEachTrackIs) {
    const std::vector<ChdMetadata> metadata = {
        Entry("CHT2",
              "TRACK:2 TYPE:AUDIO SUBTYPE:NONE FRAMES:1502 PREGAP:150 PGTYPE:VAUDIO PGSUB:NONE POSTGAP:0"),
        Entry("CHT2",
              std::string("TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:301 PREGAP:0 PGTYPE:MODE1") + '\0'),
        Entry("GDDD", "CYLS:1,HEADS:1,SECS:1,BPS:512"),
    };
    std::vector<CdTrack> tracks;
    ASSERT_FALSE(ReadCdTracks(metadata, tracks));
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].type, "MODE1_RAW");
    EXPECT_EQ(tracks[1].type, "AUDIO");
    EXPECT_EQ(FirstSectorFrame(tracks, 0), 0u);
    // Track 1's 301 frames are padded to 304; track 2 keeps its 150-frame pregap in the file.
    EXPECT_EQ(FirstSectorFrame(tracks, 1), 304u + 150u);
}

TEST(ChdTracks, TheOldestBinaryListIsReadInEitherByteOrder) {
    auto binary = [](bool bigEndian) {
        std::string data;
        auto put = [&](uint32_t value) {
            for (int i = 0; i < 4; ++i) {
                const int shift = bigEndian ? 24 - 8 * i : 8 * i;
                data += static_cast<char>((value >> shift) & 0xFF);
            }
        };
        put(2);
        for (uint32_t value : {1u, 0u, 2352u, 96u, 298u, 2u, 7u, 0u, 2352u, 96u, 100u, 0u}) put(value);
        return data;
    };
    for (bool bigEndian : {true, false}) {
        std::vector<CdTrack> tracks;
        ASSERT_FALSE(ReadCdTracks({Entry("CHCD", binary(bigEndian))}, tracks)) << bigEndian;
        ASSERT_EQ(tracks.size(), 2u);
        EXPECT_EQ(tracks[0].type, "MODE1_RAW");
        EXPECT_EQ(tracks[1].type, "AUDIO");
        EXPECT_EQ(FirstSectorFrame(tracks, 1), 300u);
    }
}

TEST(ChdTracks, NewerListsWinOverOlderOnes) {
    std::vector<CdTrack> tracks;
    ASSERT_FALSE(ReadCdTracks({Entry("CHTR", "TRACK:1 TYPE:AUDIO SUBTYPE:NONE FRAMES:10"),
                               Entry("CHT2", "TRACK:1 TYPE:MODE1 SUBTYPE:NONE FRAMES:10")},
                              tracks));
    EXPECT_EQ(tracks.at(0).type, "MODE1");
}

}  // namespace
}  // namespace cartovex
