// What the files of a collection hashed to, kept in the start folder so that checking an unchanged
// collection again reads no image bytes. An entry holds for one path and one stamp (length, time
// of the last change, file number): a file changed in any of them is hashed again.
//
// The cache is a hint, never the truth of a file: a cache file that is damaged, cut, foreign or
// of another version is ignored whole and written afresh, and it is saved like every other file
// (scratch name, flushed, renamed), so a crash leaves the old cache or the new one.
//
// The file is text, one record a line, fields split by tabs:
//   CARTOVEX HASHES 1
//   F  size  modified  fileId  withMd5(0|1)  trackCount  path
//   T  number  audio(0|1)  size  crc  sha1  md5|-  storedCrc|-  name       (trackCount of them)
//   ...
//   END  crc of every byte before this line
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "verify/TrackHashing.h"

namespace cartovex {

/// The cache's file in the start folder.
constexpr const char* HASH_CACHE_FILE_NAME = ".cartovex-hashes";

class HashCache {
public:
    /// Reads the cache file. Nothing there leaves the cache empty; a file that is not a whole cache
    /// of ours leaves it empty too, and Damaged() says so.
    void Load(const Files& files, const std::string& path);
    bool Damaged() const { return damaged_; }

    /// The tracks `path` hashed to when it had this stamp; with `needMd5`, only an entry with MD5s.
    std::optional<std::vector<HashedTrack>> Find(const std::string& path, const FileStamp& stamp,
                                                 bool needMd5) const;
    void Store(const std::string& path, const FileStamp& stamp, const std::vector<HashedTrack>& tracks,
               bool withMd5);

    /// Writes the cache when it changed since it was loaded; false when the write failed.
    bool Save(Files& files, const std::string& path);

    /// The cache file's text.
    std::string Text() const;
    /// Reads a cache file's text; false (and the cache empty) when it is not a whole cache.
    bool Parse(std::string_view text);

private:
    struct Entry {
        FileStamp stamp;
        bool withMd5 = false;
        std::vector<HashedTrack> tracks;
    };
    std::map<std::string, Entry> entries_;
    bool damaged_ = false;
    bool changed_ = false;
};

/// A cache of a million entries is far beyond any collection; a bigger file is not ours.
constexpr size_t HASH_CACHE_READ_LIMIT = 256u << 20;

}  // namespace cartovex
