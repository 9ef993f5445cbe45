// CHD files from strangers: every damage ends in a refusal that says why, never in a crash or a block
// read from the wrong place.
#include <gtest/gtest.h>

#include <functional>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/RawSector.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdCodecs.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdImage.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/ChdWriter.h"
#include "testkit/Chdman.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

using testkit::ChdHunk;
using testkit::ChdLayout;
using testkit::CopyOfHunk;
using testkit::HunkOfKind;
using Kind = ChdFault::Kind;

constexpr uint32_t FRAMES = 16;  // two hunks of eight frames

HeaderBlock Disc() {
    testkit::HeaderSpec fields;
    fields.localName = "STRANGER";
    return testkit::BuildHeader(fields);
}

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A good file: a raw data track of 16 frames, packed with cdzl.
ChdLayout GoodLayout() {
    ChdLayout layout;
    layout.codecs = {CODEC_CD_ZLIB, CODEC_CD_LZMA, 0, 0};
    layout.data = testkit::CdFrames(testkit::RawImage(Disc(), FRAMES), RAW_SECTOR_SIZE);
    layout.metadata = {{"CHT2", testkit::TrackLine(1, "MODE1_RAW", FRAMES)}};
    return layout;
}

ChdReading Read(const std::string& file) {
    HeaderBlock header{};
    header.fill(0xEE);
    const ChdReading reading = ReadChdHeaderFrom(Bytes(file), header);
    // The block changes only for a found image.
    if (reading.result != ChdReading::Result::IMAGE_FOUND) {
        EXPECT_EQ(header[0], 0xEE);
    }
    return reading;
}

std::string Reason(const ChdReading& reading) {
    return reading.fault ? reading.fault->reason : "(no fault)";
}

void SetBigEndian(std::string& file, size_t at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        file[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * (bytes - 1 - i)));
}

TEST(ChdBadInput, TheWriterMakesGoodFilesInEveryMapForm) {
    ChdLayout layout = GoodLayout();
    for (bool compressed : {true, false}) {
        layout.compressedMap = compressed;
        const ChdReading reading = Read(testkit::WriteChdFile(layout));
        EXPECT_EQ(reading.result, ChdReading::Result::IMAGE_FOUND) << compressed << Reason(reading);
        EXPECT_EQ(reading.contents.format, "CHD (BIN)");
    }
}

struct HeaderDamage {
    const char* name;
    std::function<void(std::string&)> damage;
    Kind kind;
    std::string reason;
};

TEST(ChdBadInput, AHeaderThatContradictsItselfOrItsFileIsRefused) {
    const std::vector<HeaderDamage> cases = {
        {"no signature", [](std::string& f) { f[0] = 'X'; }, Kind::NOT_A_CHD, "it is not a CHD file"},
        {"version 2", [](std::string& f) { SetBigEndian(f, 12, 2, 4); }, Kind::UNSUPPORTED,
         "CHD version 2 is not read"},
        {"version 6", [](std::string& f) { SetBigEndian(f, 12, 6, 4); }, Kind::UNSUPPORTED, "CHD version 6"},
        {"header length", [](std::string& f) { SetBigEndian(f, 8, 100, 4); }, Kind::DAMAGED,
         "its header is damaged"},
        {"hunk size 0", [](std::string& f) { SetBigEndian(f, 56, 0, 4); }, Kind::DAMAGED,
         "hunk size of 0 bytes"},
        {"hunk size 2 MiB", [](std::string& f) { SetBigEndian(f, 56, 2u << 20, 4); }, Kind::DAMAGED,
         "hunk size of 2097152 bytes"},
        {"unit size 0", [](std::string& f) { SetBigEndian(f, 60, 0, 4); }, Kind::DAMAGED, "unit size"},
        {"unit size 1000", [](std::string& f) { SetBigEndian(f, 60, 1000, 4); }, Kind::DAMAGED, "unit size"},
        {"logical size 100 GB", [](std::string& f) { SetBigEndian(f, 32, 100'000'000'000ull, 8); },
         Kind::DAMAGED, "more than any CD holds"},
        {"logical size 0", [](std::string& f) { SetBigEndian(f, 32, 0, 8); }, Kind::DAMAGED, "holds no data"},
        {"map past the end", [](std::string& f) { SetBigEndian(f, 40, f.size() + 100, 8); }, Kind::DAMAGED,
         "map lies outside the file"},
        {"map inside the header", [](std::string& f) { SetBigEndian(f, 40, 8, 8); }, Kind::DAMAGED,
         "map lies outside the file"},
        {"metadata past the end", [](std::string& f) { SetBigEndian(f, 48, f.size(), 8); }, Kind::DAMAGED,
         "track list lies outside the file"},
        {"a parent", [](std::string& f) { f[110] = 1; }, Kind::NEEDS_PARENT, "changes to a parent CHD"},
        {"cut in the header", [](std::string& f) { f.resize(100); }, Kind::DAMAGED, "it is cut short"},
    };
    for (const HeaderDamage& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = testkit::WriteChdFile(GoodLayout());
        c.damage(file);
        const ChdReading reading = Read(file);
        ASSERT_EQ(reading.result, ChdReading::Result::UNREADABLE);
        EXPECT_EQ(reading.fault->kind, c.kind);
        EXPECT_TRUE(Contains(reading.fault->reason, c.reason)) << reading.fault->reason;
    }
}

struct LayoutDamage {
    const char* name;
    std::function<void(ChdLayout&)> damage;
    ChdReading::Result result;
    std::string reason;
};

std::string Sectors(const std::string& hunk) {
    std::string sectors;
    for (size_t at = 0; at < hunk.size(); at += CD_FRAME_SIZE) sectors += hunk.substr(at, RAW_SECTOR_SIZE);
    return sectors;
}

// Hunk 0 with its sector stream made by `pack` from the sectors `change` gives it.
ChdHunk HunkZeroWith(const ChdLayout& layout, std::string (*pack)(std::string_view),
                     const std::function<void(std::string&)>& change) {
    std::string sectors = Sectors(layout.data.substr(0, layout.hunkSize));
    change(sectors);
    ChdHunk hunk;
    hunk.kind = pack == testkit::LzmaPacked ? 1 : 0;
    hunk.stored =
        testkit::CdHunkOfStreams(8, pack(sectors), testkit::Deflated(std::string(8 * CD_SUBCODE_SIZE, '\0')));
    return hunk;
}

TEST(ChdBadInput, DamageInTheMapTheTracksOrTheFirstHunkIsRefused) {
    using R = ChdReading::Result;
    auto more = [](std::string& s) { s += std::string(100, 'x'); };
    auto less = [](std::string& s) { s.resize(s.size() - 100); };
    std::vector<LayoutDamage> cases = {
        {"map CRC", [](ChdLayout& l) { l.spoilMapCrc = true; }, R::UNREADABLE, "its map fails its check"},
        {"unknown kind", [](ChdLayout& l) { l.hunks[1] = HunkOfKind(14); }, R::UNREADABLE,
         "unknown kind of hunk"},
        {"copy of a later hunk", [](ChdLayout& l) { l.hunks[0] = CopyOfHunk(1); }, R::UNREADABLE,
         "hunk 0 is a copy of a hunk that follows it"},
        {"copy of itself", [](ChdLayout& l) { l.hunks[0] = CopyOfHunk(0); }, R::UNREADABLE,
         "hunk 0 is a copy of a hunk that follows it"},
        {"unlisted codec", [](ChdLayout& l) { l.hunks[0] = HunkOfKind(2); }, R::UNREADABLE,
         "names a codec the file doesn't list"},
        {"unknown codec",
         [](ChdLayout& l) {
             l.codecs[2] = FourCc("huff");
             l.hunks[0] = HunkOfKind(2, "huffman bytes");
         },
         R::UNREADABLE, "hunk 0 is packed with huff, which this build doesn't read"},
        {"hunk CRC", [](ChdLayout& l) { l.hunks[0] = HunkOfKind(0, "", 0x1234); }, R::UNREADABLE,
         "hunk 0 fails its check"},
        {"packed longer than a hunk",
         [](ChdLayout& l) { l.hunks[0] = HunkOfKind(0, std::string(l.hunkSize + 1, 'p')); }, R::UNREADABLE,
         "hunk 0 is damaged"},
        {"deflate gives more", [&](ChdLayout& l) { l.hunks[0] = HunkZeroWith(l, testkit::Deflated, more); },
         R::UNREADABLE, "hunk 0 doesn't unpack"},
        {"deflate gives less", [&](ChdLayout& l) { l.hunks[0] = HunkZeroWith(l, testkit::Deflated, less); },
         R::UNREADABLE, "hunk 0 doesn't unpack"},
        {"no track list", [](ChdLayout& l) { l.metadata.clear(); }, R::UNREADABLE, "it has no track list"},
        {"no track 1",
         [](ChdLayout& l) {
             l.metadata = {{"CHT2", testkit::TrackLine(2, "MODE1_RAW", FRAMES)}};
         },
         R::UNREADABLE, "no track 1"},
        {"a gap in the tracks",
         [](ChdLayout& l) {
             l.metadata.push_back({"CHT2", testkit::TrackLine(3, "AUDIO", 4)});
         },
         R::UNREADABLE, "skips or repeats a track"},
        {"a garbled track",
         [](ChdLayout& l) {
             l.metadata = {{"CHT2", "TRACK:one TYPE:MODE1"}};
         },
         R::UNREADABLE, "track list is damaged"},
        {"first track beyond the data",
         [](ChdLayout& l) {
             l.metadata = {
                 {"CHT2", "TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:200 PREGAP:100 PGTYPE:VMODE1_RAW"}};
         },
         R::UNREADABLE, "first track lies beyond its data"},
        {"first track audio",
         [](ChdLayout& l) {
             l.metadata = {{"CHT2", testkit::TrackLine(1, "AUDIO", FRAMES)}};
         },
         R::NOT_SEGA_CD, ""},
        {"first track mode 2",
         [](ChdLayout& l) {
             l.metadata = {{"CHT2", testkit::TrackLine(1, "MODE2_RAW", FRAMES)}};
         },
         R::NOT_SEGA_CD, ""},
        {"no identifier", [](ChdLayout& l) { l.data.replace(16, 8, "NOTSEGA!"); }, R::NOT_SEGA_CD, ""},
    };
    if (CodecReadable(CODEC_CD_LZMA)) {
        cases.push_back({"LZMA gives more",
                         [&](ChdLayout& l) { l.hunks[0] = HunkZeroWith(l, testkit::LzmaPacked, more); },
                         R::UNREADABLE, "hunk 0 doesn't unpack"});
        cases.push_back({"LZMA gives less",
                         [&](ChdLayout& l) { l.hunks[0] = HunkZeroWith(l, testkit::LzmaPacked, less); },
                         R::UNREADABLE, "hunk 0 doesn't unpack"});
    }
    for (const LayoutDamage& c : cases) {
        SCOPED_TRACE(c.name);
        ChdLayout layout = GoodLayout();
        c.damage(layout);
        const ChdReading reading = Read(testkit::WriteChdFile(layout));
        EXPECT_EQ(reading.result, c.result) << Reason(reading);
        if (c.result == R::UNREADABLE) {
            EXPECT_TRUE(Contains(Reason(reading), c.reason)) << Reason(reading);
        }
    }
}

TEST(ChdBadInput, ChainsOfCopiesEndAndLongOnesAreRefused) {
    ChdLayout layout = GoodLayout();
    layout.data += layout.data + layout.data + layout.data + layout.data;  // 10 hunks
    for (uint32_t h = 1; h < 10; ++h) layout.hunks[h] = CopyOfHunk(h - 1);
    const std::string file = testkit::WriteChdFile(layout);
    const ByteSource source = MemorySource(Bytes(file));
    ChdFile chd(source, file.size());
    ASSERT_FALSE(chd.Open());
    std::vector<uint8_t> first, copy;
    ASSERT_FALSE(chd.ReadHunk(0, first));
    // Eight steps back reach the real hunk; nine are too many.
    ASSERT_FALSE(chd.ReadHunk(8, copy));
    EXPECT_EQ(copy, first);
    const auto fault = chd.ReadHunk(9, copy);
    ASSERT_TRUE(fault);
    EXPECT_TRUE(Contains(fault->reason, "a copy of a copy")) << fault->reason;
}

TEST(ChdBadInput, AMetadataChainThatRunsInACircleEnds) {
    std::string file = testkit::WriteChdFile(GoodLayout());
    SetBigEndian(file, 124 + 8, 124, 8);  // the only entry names itself as the next
    const ChdReading reading = Read(file);
    ASSERT_EQ(reading.result, ChdReading::Result::UNREADABLE);
    EXPECT_EQ(Reason(reading), "its track list never ends");
}

TEST(ChdBadInput, HunksPlacedPastTheEndOfTheFileAreRefused) {
    ChdLayout plainLayout = GoodLayout();
    plainLayout.compressedMap = false;
    std::string plain = testkit::WriteChdFile(plainLayout);
    SetBigEndian(plain, 124, 1000, 4);  // hunk 0 at 1,000 hunk sizes
    ChdLayout oldLayout = GoodLayout();
    oldLayout.version = 4;
    std::string old = testkit::WriteChdFile(oldLayout);
    SetBigEndian(old, 108, old.size(), 8);  // hunk 0's offset
    // A compressed map sums its hunks' places from the first one's, and its CRC covers them.
    std::string compressed = testkit::WriteChdFile(GoodLayout());
    const uint64_t map = BigEndianAt(Bytes(compressed), 40, 8);
    SetBigEndian(compressed, map + 4, compressed.size() + 1000, 6);
    for (const auto& [file, reason] :
         {std::pair{plain, "hunk 0 lies outside the file"}, std::pair{old, "hunk 0 lies outside the file"},
          std::pair{compressed, "its map fails its check"}}) {
        const ChdReading reading = Read(file);
        ASSERT_EQ(reading.result, ChdReading::Result::UNREADABLE);
        EXPECT_EQ(Reason(reading), reason);
    }
}

TEST(ChdBadInput, AMapStreamShorterThanItsHunksNeedIsRefused) {
    std::string file = testkit::WriteChdFile(GoodLayout());
    const uint64_t map = BigEndianAt(Bytes(file), 40, 8);
    SetBigEndian(file, map, 2, 4);  // two bytes hold the code but not the kinds
    const ChdReading reading = Read(file);
    ASSERT_EQ(reading.result, ChdReading::Result::UNREADABLE);
    EXPECT_EQ(Reason(reading), "its map is damaged");
}

// Whatever length a file is cut to before its first hunk ends, it is refused; never read as an image
// from the bytes that are left.
TEST(ChdBadInput, AFileCutAnywhereBeforeTheEndOfItsFirstHunkIsRefused) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"plain map",
         [] {
             ChdLayout layout = GoodLayout();
             layout.compressedMap = false;
             return testkit::WriteChdFile(layout);
         }()},
        {"compressed map", testkit::WriteChdFile(GoodLayout())},
    };
    if (!testkit::ChdmanPath().empty()) {
        PosixFiles posix;
        testkit::TempFolder dir;
        for (const std::string codecs : {"none", "cdlz"}) {
            const auto chd =
                testkit::MakeChdOfRawSet(posix, dir.MakeFolder(codecs), "Cut", Disc(), 1, codecs);
            ASSERT_TRUE(chd);
            files.push_back({"chdman " + codecs, dir.Read(codecs + "/Cut.chd")});
        }
    }
    for (const auto& [name, whole] : files) {
        SCOPED_TRACE(name);
        ASSERT_EQ(Read(whole).result, ChdReading::Result::IMAGE_FOUND);
        // A plain map puts the first hunk behind the map and metadata; a compressed one keeps the map,
        // which every read needs, at the end.
        const ByteSource source = MemorySource(Bytes(whole));
        ChdFile chd(source, whole.size());
        ASSERT_FALSE(chd.Open());
        const uint64_t end =
            chd.Header().compressedMap()
                ? whole.size()
                : BigEndianAt(Bytes(whole), 124, 4) * chd.Header().hunkSize + chd.Header().hunkSize;
        for (uint64_t length = 0; length < end; ++length) {
            const ChdReading reading = Read(whole.substr(0, length));
            ASSERT_EQ(reading.result, ChdReading::Result::UNREADABLE) << length;
        }
    }
}

TEST(ChdOddButGood, OlderFormsAndLayoutsAreRead) {
    const HeaderBlock disc = Disc();
    const std::string raw = testkit::CdFrames(testkit::RawImage(disc, FRAMES), RAW_SECTOR_SIZE);
    const std::string cooked = testkit::CdFrames(testkit::CookedImage(disc, FRAMES), COOKED_SECTOR_SIZE);
    auto tracks = [](const std::string& tag, const std::string& type) {
        return std::vector<std::pair<std::string, std::string>>{
            {tag, "TRACK:1 TYPE:" + type + " SUBTYPE:NONE FRAMES:" + std::to_string(FRAMES)},
            {tag, "TRACK:2 TYPE:AUDIO SUBTYPE:NONE FRAMES:4"}};
    };
    struct Odd {
        const char* name;
        std::function<void(ChdLayout&)> change;
        std::string format;
    };
    const std::vector<Odd> cases = {
        {"a cooked track",
         [&](ChdLayout& l) {
             l.data = cooked, l.metadata = {{"CHT2", testkit::TrackLine(1, "MODE1", FRAMES)}};
         },
         "CHD (ISO)"},
        {"older track lines", [&](ChdLayout& l) { l.metadata = tracks("CHTR", "MODE1_RAW"); },
         "CHD (BIN+CUE)"},
        {"tracks out of order",
         [&](ChdLayout& l) {
             l.metadata = tracks("CHT2", "MODE1_RAW");
             std::swap(l.metadata[0], l.metadata[1]);
         },
         "CHD (BIN+CUE)"},
        {"a stored pregap",
         [&](ChdLayout& l) {
             l.data = std::string(8 * CD_FRAME_SIZE, '\0') + raw;
             l.metadata = {
                 {"CHT2", "TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:24 PREGAP:8 PGTYPE:VMODE1_RAW"}};
         },
         "CHD (BIN)"},
        {"an LZMA-packed hunk", [](ChdLayout& l) { l.codecs[0] = CODEC_CD_LZMA; }, "CHD (BIN)"},
        {"a stored hunk in a compressed map", [](ChdLayout& l) { l.hunks[0] = HunkOfKind(4); }, "CHD (BIN)"},
        {"a plain map", [](ChdLayout& l) { l.compressedMap = false; }, "CHD (BIN)"},
        {"version 4", [](ChdLayout& l) { l.version = 4; }, "CHD (BIN)"},
    };
    for (const Odd& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "an LZMA-packed hunk" && !CodecReadable(CODEC_CD_LZMA)) continue;
        ChdLayout layout = GoodLayout();
        c.change(layout);
        HeaderBlock found{};
        const ChdReading reading = ReadChdHeaderFrom(Bytes(testkit::WriteChdFile(layout)), found);
        ASSERT_EQ(reading.result, ChdReading::Result::IMAGE_FOUND) << Reason(reading);
        EXPECT_EQ(found, disc);
        EXPECT_EQ(reading.contents.format, c.format);
    }
}

TEST(ChdOddButGood, HunksNeverWrittenAreZerosAndShortOnesRepeatTheirEightBytes) {
    ChdLayout plain = GoodLayout();
    plain.compressedMap = false;
    plain.hunks[1] = HunkOfKind(0);  // a plain map entry of 0: never written
    std::vector<uint8_t> pattern(plain.hunkSize);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i % 8 + 1);
    ChdLayout old = GoodLayout();
    old.version = 4;
    old.hunks[1] = ChdHunk{3, "", 0x0102030405060708,
                           Crc32Update(pattern.data(), pattern.size(), 0xFFFFFFFF) ^ 0xFFFFFFFF};
    for (const auto& [layout, expected] :
         {std::pair{plain, std::vector<uint8_t>(plain.hunkSize, 0)}, std::pair{old, pattern}}) {
        SCOPED_TRACE(layout.version);
        const std::string file = testkit::WriteChdFile(layout);
        const ByteSource source = MemorySource(Bytes(file));
        ChdFile chd(source, file.size());
        ASSERT_FALSE(chd.Open());
        std::vector<uint8_t> hunk;
        const auto fault = chd.ReadHunk(1, hunk);
        ASSERT_FALSE(fault) << fault->reason;
        EXPECT_EQ(hunk, expected);
    }
}

}  // namespace
}  // namespace cartovex
