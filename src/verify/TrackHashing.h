// INTERFACE COPY (replaced by the tracks branch)
#pragma once
#include <string>
#include <vector>

#include "verify/TrackHasher.h"
namespace cartovex {
class Files;
struct HashedTrack {
    std::string name;
    int number = 0;
    bool audio = false;
    TrackDigest digest;
    std::optional<uint32_t> storedCrc;
};
struct HashResult {
    std::vector<HashedTrack> tracks;
    std::optional<std::string> fault;
};
HashResult HashFile(const Files& files, const std::string& path, bool withMd5);
HashResult HashArchiveMembers(const Files& files, const std::string& path, bool withMd5);
HashResult HashChdTracks(const Files& files, const std::string& path, bool withMd5);
}  // namespace cartovex
