#include <gtest/gtest.h>

#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"
#include "verify/HashCache.h"

namespace cartovex {
namespace {

std::vector<HashedTrack> Tracks() {
    HashedTrack data{"Game (Track 1).bin", 1, false, {}, 0x12345678u};
    data.digest.size = 123456;
    data.digest.crc = 0xDEADBEEFu;
    data.digest.sha1.fill(0xAB);
    HashedTrack audio{"Game (Track 2).bin", 2, true, {}, std::nullopt};
    audio.digest.size = 2352;
    audio.digest.crc = 0x0000000Fu;
    Md5Digest md5{};
    md5.fill(0x01);
    audio.digest.md5 = md5;
    return {data, audio};
}

bool SameTracks(const std::vector<HashedTrack>& a, const std::vector<HashedTrack>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].number != b[i].number || a[i].audio != b[i].audio ||
            a[i].digest.size != b[i].digest.size || a[i].digest.crc != b[i].digest.crc ||
            a[i].digest.sha1 != b[i].digest.sha1 || a[i].digest.md5 != b[i].digest.md5 ||
            a[i].storedCrc != b[i].storedCrc)
            return false;
    return true;
}

const FileStamp STAMP{123456, 1700000000123456789, 42};

TEST(HashCacheTest, AnEntryReadsBackOnlyForTheSameStamp) {
    HashCache cache;
    cache.Store("/c/game.chd", STAMP, Tracks(), false);
    HashCache again;
    ASSERT_TRUE(again.Parse(cache.Text()));
    const auto found = again.Find("/c/game.chd", STAMP, false);
    ASSERT_TRUE(found);
    EXPECT_TRUE(SameTracks(*found, Tracks()));
    for (FileStamp other : {FileStamp{123457, STAMP.modified, 42}, FileStamp{123456, STAMP.modified + 1, 42},
                            FileStamp{123456, STAMP.modified, 43}})
        EXPECT_FALSE(again.Find("/c/game.chd", other, false));
    EXPECT_FALSE(again.Find("/c/other.chd", STAMP, false));
    EXPECT_FALSE(again.Find("/c/game.chd", STAMP, true)) << "hashed without MD5s";
}

TEST(HashCacheTest, ADamagedOrForeignFileIsNeverTrusted) {
    HashCache cache;
    cache.Store("/c/a.bin", STAMP, Tracks(), true);
    const std::string text = cache.Text();
    std::string flipped = text;
    flipped[text.find("deadbeef")] = 'e';
    const std::string cases[] = {
        "",
        "hello\n",
        text.substr(0, text.size() - 1),
        text.substr(0, text.size() / 2),
        flipped,
        "CARTOVEX HASHES 2\n" + text.substr(text.find('\n') + 1),
        std::string(1000, '\0'),
    };
    for (const std::string& damaged : cases) {
        HashCache read;
        EXPECT_FALSE(read.Parse(damaged)) << damaged.size();
        EXPECT_FALSE(read.Find("/c/a.bin", STAMP, false));
    }
}

TEST(HashCacheTest, NamesThatWouldSplitARecordAreNotKept) {
    HashCache cache;
    cache.Store("/c/a\tb.bin", STAMP, Tracks(), false);
    cache.Store("/c/a\nb.bin", STAMP, Tracks(), false);
    HashCache again;
    ASSERT_TRUE(again.Parse(cache.Text()));
    EXPECT_FALSE(again.Find("/c/a\tb.bin", STAMP, false));
    EXPECT_FALSE(again.Find("/c/a\nb.bin", STAMP, false));
}

TEST(HashCacheTest, ADamagedFileIsReportedAndRewrittenWhole) {
    testkit::TempFolder dir;
    PosixFiles files;
    const std::string path = dir / HASH_CACHE_FILE_NAME;
    dir.Write(HASH_CACHE_FILE_NAME, "CARTOVEX HASHES 1\nF\tbroken");
    HashCache cache;
    cache.Load(files, path);
    EXPECT_TRUE(cache.Damaged());
    cache.Store("/c/a.bin", STAMP, Tracks(), false);
    ASSERT_TRUE(cache.Save(files, path));
    HashCache again;
    again.Load(files, path);
    EXPECT_FALSE(again.Damaged());
    EXPECT_TRUE(again.Find("/c/a.bin", STAMP, false));
}

}  // namespace
}  // namespace cartovex
