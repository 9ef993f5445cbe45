// Checking discs against the loaded DAT catalogue: every file of a disc hashed (or its hashes taken
// from the cache when the file is unchanged), then judged by DiscMatch. Nothing of the user's is
// written, renamed or locked: files are only read.
#pragma once

#include <string>
#include <vector>

#include "dats/DatCatalogue.h"
#include "dats/DatIndex.h"
#include "verify/DiscMatch.h"
#include "verify/DiscsOnDisk.h"
#include "verify/HashCache.h"

namespace cartovex {

struct DiscReport {
    DiscOnDisk disc;
    std::vector<HashedTrack> tracks;
    /// Files of the disc that could not be hashed whole, each as "name: why".
    std::vector<std::string> faults;
    DiscVerdict verdict;
};

class Verifier {
public:
    /// `cache` may be null. The catalogue must outlive the verifier.
    Verifier(const Files& files, const DatCatalogue& catalogue, HashCache* cache);

    DiscReport Check(const DiscOnDisk& disc);
    const DatIndex& Index() const { return index_; }
    /// MD5s are computed only when some rom of the catalogue has no SHA-1 to be known by.
    bool WithMd5() const { return withMd5_; }

private:
    std::vector<HashedTrack> Hash(const std::string& path, DiscOnDisk::Kind kind,
                                  std::vector<std::string>& faults);

    const Files& files_;
    const DatCatalogue& catalogue_;
    DatIndex index_;
    HashCache* cache_;
    bool withMd5_;
};

/// The line for a person: "[VERIFIED] Game (5 tracks) - path", "[BAD] Game: track 3 differs - path",
/// "[UNKNOWN] path".
std::string VerdictLine(const DatCatalogue& catalogue, const DiscReport& report);

/// "verified", "bad" or "unknown".
const char* StatusName(VerifyStatus status);

}  // namespace cartovex
