#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "disc/containers/Archive.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdMap.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Chdman.h"
#include "testkit/ImageBuilder.h"
#include "testkit/PackedArchiveWriter.h"
#include "testkit/TempFolder.h"
#include "testkit/ZipWriter.h"
#include "verify/TrackHashing.h"

namespace cartovex {
namespace {

using testkit::TempFolder;

// Bytes that are the same in every run and pack about as badly as real sectors and music.
std::string Noise(size_t count, uint32_t seed) {
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    return bytes;
}

// Little-endian 16-bit samples that wander like a sound does, so FLAC packs them.
std::string Music(size_t sectors, uint32_t seed) {
    std::string bytes(2352 * sectors, '\0');
    int value = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        seed = seed * 1664525u + 1013904223u;
        value = std::clamp(value + static_cast<int>(seed >> 28) - 7, -30000, 30000);
        bytes[i] = static_cast<char>(value & 0xFF);
        bytes[i + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    return bytes;
}

// What a user's own tools say of a file: sha1sum's digest, zlib's CRC-32, its size.
struct Expected {
    std::string sha1;
    uint32_t crc;
    uint64_t size;
};

Expected OfFile(const std::string& path) {
    Expected e{};
    FILE* pipe = popen(("sha1sum '" + path + "'").c_str(), "r");
    char line[128] = {};
    if (pipe && std::fgets(line, sizeof line, pipe)) e.sha1 = std::string(line, 40);
    if (pipe) pclose(pipe);
    PosixFiles files;
    const std::string bytes = files.ReadFile(path, 1u << 30).value_or("");
    e.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
    e.size = bytes.size();
    return e;
}

Expected OfBytes(const std::string& bytes) {
    TrackHasher hasher;
    hasher.Update({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    const TrackDigest d = hasher.Finish();
    return {HexDigest(d.sha1),
            static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size())),
            bytes.size()};
}

void ExpectDigest(const TrackDigest& digest, const Expected& e) {
    EXPECT_EQ(HexDigest(digest.sha1), e.sha1);
    EXPECT_EQ(digest.crc, e.crc);
    EXPECT_EQ(digest.size, e.size);
}

class TrackHashingTest : public ::testing::Test {
protected:
    PosixFiles files;
    TempFolder dir;
};

TEST_F(TrackHashingTest, FilesOfASetHashAsSha1sumAndZlibSayWithMd5WhenAsked) {
    const HeaderBlock header = testkit::BuildHeader({});
    const std::map<std::string, std::string> set = {
        {"Disc (Track 1).bin", testkit::RawImage(header, 1500)},  // more than one read block
        {"Disc (Track 2).bin", Noise(2352 * 457, 2)},
        {"empty.bin", ""},
    };
    for (const auto& [name, bytes] : set) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, bytes);
        const HashResult result = HashFile(files, path, true);
        ASSERT_FALSE(result.fault) << *result.fault;
        ASSERT_EQ(result.tracks.size(), 1u);
        EXPECT_EQ(result.tracks[0].name, name);
        EXPECT_TRUE(result.tracks[0].intact);
        ExpectDigest(result.tracks[0].digest, OfFile(path));
        ASSERT_TRUE(result.tracks[0].digest.md5);
    }
}

// Reads go through the OpenFile of `inner`, and `afterFirstRead` runs once the first block is in:
// the moment a user deletes or cuts the file while it is being hashed.
class MidReadFiles : public PosixFiles {
public:
    MidReadFiles(bool keepOpen, std::function<void()> afterFirstRead)
        : keepOpen_(keepOpen), afterFirstRead_(std::move(afterFirstRead)) {}

    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override {
        auto got = PosixFiles::ReadAt(path, offset, out);
        Fire();
        return got;
    }
    std::unique_ptr<OpenFile> OpenForReading(const std::string& path, bool sequential) const override {
        // Without the platform's open file, the default one reads through ReadAt above.
        if (!keepOpen_) return Files::OpenForReading(path, sequential);
        struct Wrapped : OpenFile {
            std::unique_ptr<OpenFile> inner;
            const MidReadFiles* owner;
            uint64_t Length() const override { return inner->Length(); }
            std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
                auto got = inner->ReadAt(offset, out);
                owner->Fire();
                return got;
            }
        };
        auto wrapped = std::make_unique<Wrapped>();
        wrapped->inner = PosixFiles::OpenForReading(path, sequential);
        wrapped->owner = this;
        if (!wrapped->inner) return nullptr;
        return wrapped;
    }
    void Fire() const {
        if (afterFirstRead_) std::exchange(afterFirstRead_, nullptr)();
    }

private:
    bool keepOpen_;
    mutable std::function<void()> afterFirstRead_;
};

TEST_F(TrackHashingTest, AFileThatVanishesOrShrinksWhileReadIsAFaultNotATrack) {
    const std::string path = dir.Write("Disc.bin", Noise(3 * HASH_READ_BLOCK + 5, 7));
    const std::string untouched = OfFile(path).sha1;
    struct Case {
        const char* what;
        bool keepOpen;
        std::function<void()> action;
        bool restore;
    } cases[] = {
        {"deleted, read by path", false, [&] { std::filesystem::remove(path); }, true},
        {"cut short, read by path", false, [&] { std::filesystem::resize_file(path, 1000); }, true},
        {"cut short, held open", true, [&] { std::filesystem::resize_file(path, 1000); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("Disc.bin", Noise(3 * HASH_READ_BLOCK + 5, 7));
        MidReadFiles midRead(c.keepOpen, c.action);
        const HashResult result = HashFile(midRead, path, false);
        EXPECT_EQ(result.fault.value_or("none"), "vanished");
        EXPECT_TRUE(result.tracks.empty());
    }
    // Held open, a deleted file is still whole to the reader: its digest is the file's.
    dir.Write("Disc.bin", Noise(3 * HASH_READ_BLOCK + 5, 7));
    MidReadFiles heldOpen(true, [&] { std::filesystem::remove(path); });
    const HashResult whole = HashFile(heldOpen, path, false);
    ASSERT_FALSE(whole.fault);
    EXPECT_EQ(HexDigest(whole.tracks.at(0).digest.sha1), untouched);

    EXPECT_EQ(HashFile(files, dir / "missing.bin", false).fault.value_or("none"), "vanished");
    EXPECT_EQ(HashFile(files, dir.MakeFolder("folder.bin"), false).fault.value_or("none"), "can't be read");
}

TEST_F(TrackHashingTest, ZipMembersInArchiveOrderWithTheirStoredCrcsAndNothingUnpacked) {
    const std::string big = Noise(2352 * 600, 3);  // inflates in several pieces
    const std::string small = Noise(2352 * 31, 4);
    const std::string sheet = "FILE \"Disc (Track 1).bin\" BINARY\r\n";
    const std::string path = dir / "Disc.zip";
    ASSERT_TRUE(testkit::WriteZip(path, {{"Disc/Disc (Track 1).bin", big, true, ""},
                                         {"Disc/", "", false, ""},
                                         {"Disc (Track 2).bin", small, false, ""},
                                         {"secret.bin", small, true, "password"},
                                         {"Disc.cue", sheet, true, ""}}));
    const auto before = dir.Snapshot();
    const HashResult result = HashArchiveMembers(files, path, false);
    ASSERT_FALSE(result.fault) << *result.fault;
    ASSERT_EQ(result.tracks.size(), 3u);
    const std::pair<std::string, const std::string*> expected[] = {
        {"Disc/Disc (Track 1).bin", &big}, {"Disc (Track 2).bin", &small}, {"Disc.cue", &sheet}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(result.tracks[i].name, expected[i].first);
        ExpectDigest(result.tracks[i].digest, OfBytes(*expected[i].second));
        EXPECT_EQ(result.tracks[i].storedCrc, OfBytes(*expected[i].second).crc);
    }
    EXPECT_EQ(dir.Snapshot(), before);
}

TEST_F(TrackHashingTest, SevenZipAndRarMembers) {
    if (!PackedArchivesSupported()) GTEST_SKIP() << "this build reads no 7z or RAR archives";
    const std::string data = Noise(2352 * 500, 5), audio = Noise(2352 * 123, 6);
    dir.Write("set/Disc (Track 1).bin", data);
    dir.Write("set/Disc (Track 2).bin", audio);
    const std::string sevenZip = dir / "Disc.7z";
    if (std::system(("cd '" + dir / "set" + "' && 7z a -bd '" + sevenZip +
                     "' 'Disc (Track 1).bin' 'Disc (Track 2).bin' >/dev/null")
                        .c_str()) != 0)
        GTEST_SKIP() << "7z (p7zip-full) is not installed";
    const std::string rar = dir.Write(
        "Disc.rar", testkit::BuildRar4({{"Disc (Track 1).bin", data, false, false, std::nullopt},
                                        {"Disc (Track 2).bin", audio, false, false, std::nullopt}}));
    for (const std::string& path : {sevenZip, rar}) {
        SCOPED_TRACE(path);
        const HashResult result = HashArchiveMembers(files, path, false);
        ASSERT_FALSE(result.fault) << *result.fault;
        ASSERT_EQ(result.tracks.size(), 2u);
        EXPECT_EQ(result.tracks[0].name, "Disc (Track 1).bin");
        ExpectDigest(result.tracks[0].digest, OfFile(dir / "set/Disc (Track 1).bin"));
        ExpectDigest(result.tracks[1].digest, OfFile(dir / "set/Disc (Track 2).bin"));
        EXPECT_FALSE(result.tracks[0].storedCrc);
    }
}

TEST_F(TrackHashingTest, BrokenArchivesAreFaultsNotCrashes) {
    const std::string member = Noise(200000, 8);
    const std::string zip = testkit::BuildZip({{"Disc.bin", member, true, ""}});
    ASSERT_FALSE(zip.empty());
    std::string damaged = zip;
    damaged[zip.size() / 2] ^= 0x55;  // inside the deflated data
    const std::map<std::string, std::string> archives = {
        {"damaged.zip", damaged},
        {"cut.zip", zip.substr(0, zip.size() / 2)},
        {"not-an-archive.zip", Noise(5000, 9)},
        {"empty.7z", ""},
    };
    for (const auto& [name, bytes] : archives) {
        SCOPED_TRACE(name);
        const HashResult result = HashArchiveMembers(files, dir.Write(name, bytes), false);
        ASSERT_TRUE(result.fault);
        for (const HashedTrack& track : result.tracks) EXPECT_FALSE(track.intact);
    }
}

// A disc as verified dumps keep it: a raw data track and two audio tracks of odd lengths (no
// multiple of the CHD's four-frame padding), the first with a two-second pregap in its file.
struct DiscSet {
    std::string cue;
    std::vector<std::string> tracks;
};

DiscSet WriteDisc(const TempFolder& dir, bool cooked) {
    const HeaderBlock header = testkit::BuildHeader({});
    DiscSet set;
    std::string data = cooked ? testkit::CookedImage(header, 1003) : testkit::RawImage(header, 1003);
    data.replace(cooked ? 4096 : 4704, 100000, Noise(100000, 10));
    set.tracks.push_back(dir.Write(cooked ? "Disc (Track 1).iso" : "Disc (Track 1).bin", data));
    set.tracks.push_back(dir.Write("Disc (Track 2).bin", Music(457, 11)));
    set.tracks.push_back(dir.Write("Disc (Track 3).bin", Music(331, 12)));
    set.cue = dir.Write("Disc.cue", std::string("FILE \"Disc (Track 1).") + (cooked ? "iso" : "bin") +
                                        "\" BINARY\n  TRACK 01 " + (cooked ? "MODE1/2048" : "MODE1/2352") +
                                        "\n    INDEX 01 00:00:00\n"
                                        "FILE \"Disc (Track 2).bin\" BINARY\n  TRACK 02 AUDIO\n"
                                        "    INDEX 00 00:00:00\n    INDEX 01 00:02:00\n"
                                        "FILE \"Disc (Track 3).bin\" BINARY\n  TRACK 03 AUDIO\n"
                                        "    INDEX 01 00:00:00\n");
    return set;
}

TEST_F(TrackHashingTest, ChdTracksHashAsTheBinFilesTheyWereMadeFrom) {
    CARTOVEX_REQUIRE_CHDMAN();
    for (bool cooked : {false, true}) {
        for (const char* codecs : {"", "none"}) {
            SCOPED_TRACE(std::string(cooked ? "ISO" : "BIN") + " data track, codecs " +
                         (*codecs ? codecs : "default"));
            TempFolder folder;
            const DiscSet set = WriteDisc(folder, cooked);
            const std::string chd = folder / "Disc.chd";
            ASSERT_TRUE(testkit::MakeChd(set.cue, chd, codecs));
            const HashResult result = HashChdTracks(files, chd, true);
            ASSERT_FALSE(result.fault) << *result.fault;
            ASSERT_EQ(result.tracks.size(), set.tracks.size());
            for (size_t i = 0; i < set.tracks.size(); ++i) {
                SCOPED_TRACE(set.tracks[i]);
                EXPECT_EQ(result.tracks[i].number, static_cast<int>(i + 1));
                EXPECT_EQ(result.tracks[i].audio, i > 0);
                EXPECT_TRUE(result.tracks[i].intact);
                ExpectDigest(result.tracks[i].digest, OfFile(set.tracks[i]));
            }
        }
    }
}

TEST_F(TrackHashingTest, ADamagedChdHunkFaultsTheResultAndSpoilsOnlyItsTrack) {
    CARTOVEX_REQUIRE_CHDMAN();
    const DiscSet set = WriteDisc(dir, false);
    const std::string chd = dir / "Disc.chd";
    ASSERT_TRUE(testkit::MakeChd(set.cue, chd));
    std::string bytes = dir.Read("Disc.chd");
    const ByteSource source = MemorySource({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    ChdFile file(source, bytes.size());
    ASSERT_FALSE(file.Open());
    // A hunk in the middle of the second track (frames 1003 to 1459; eight frames a hunk).
    const uint32_t hunk = 150;
    HunkEntry entry;
    ASSERT_FALSE(ReadHunkEntry(source, bytes.size(), file.Header(), hunk, entry));
    ASSERT_EQ(entry.kind, HunkEntry::Kind::PACKED);
    bytes[entry.offset + entry.length / 2] ^= 0x10;
    dir.Write("Disc.chd", bytes);

    const HashResult result = HashChdTracks(files, chd, false);
    ASSERT_TRUE(result.fault);
    EXPECT_NE(result.fault->find("hunk 150"), std::string::npos) << *result.fault;
    ASSERT_EQ(result.tracks.size(), 3u);
    EXPECT_TRUE(result.tracks[0].intact);
    EXPECT_FALSE(result.tracks[1].intact);
    EXPECT_TRUE(result.tracks[2].intact);
    ExpectDigest(result.tracks[0].digest, OfFile(set.tracks[0]));
    EXPECT_NE(HexDigest(result.tracks[1].digest.sha1), OfFile(set.tracks[1]).sha1);
    ExpectDigest(result.tracks[2].digest, OfFile(set.tracks[2]));
}

TEST_F(TrackHashingTest, FilesThatAreNoChdAreFaults) {
    for (const auto& [name, bytes] : std::map<std::string, std::string>{
             {"noise.chd", Noise(10000, 13)}, {"empty.chd", ""}, {"header-only.chd", "MComprHD"}}) {
        SCOPED_TRACE(name);
        const HashResult result = HashChdTracks(files, dir.Write(name, bytes), false);
        EXPECT_TRUE(result.fault);
        EXPECT_TRUE(result.tracks.empty());
    }
}

}  // namespace
}  // namespace cartovex
