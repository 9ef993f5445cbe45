#include "verify/Verification.h"

namespace cartovex {

namespace {

std::string NameOf(const std::string& path, char separator) {
    const size_t cut = path.rfind(separator);
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Joined(const std::vector<std::string>& texts, std::string_view between) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : std::string(between)) + text;
    return joined;
}

size_t TrackCount(const DatGame& game) {
    size_t count = 0;
    for (const DatRom& rom : game.roms) count += IsSheetRom(rom) ? 0 : 1;
    return count;
}

}  // namespace

Verifier::Verifier(const Files& files, const DatCatalogue& catalogue, HashCache* cache)
    : files_(files),
      catalogue_(catalogue),
      index_(catalogue),
      cache_(cache),
      withMd5_(index_.AnyRomWithoutSha1()) {}

std::vector<HashedTrack> Verifier::Hash(const std::string& path, DiscOnDisk::Kind kind,
                                        std::vector<std::string>& faults) {
    const auto stamp = files_.Stamp(path);
    if (cache_ && stamp)
        if (auto known = cache_->Find(path, *stamp, withMd5_)) return *known;
    HashResult result = kind == DiscOnDisk::Kind::CHD       ? HashChdTracks(files_, path, withMd5_)
                        : kind == DiscOnDisk::Kind::ARCHIVE ? HashArchiveMembers(files_, path, withMd5_)
                                                            : HashFile(files_, path, withMd5_);
    if (kind == DiscOnDisk::Kind::FILES)
        for (HashedTrack& track : result.tracks) track.name = NameOf(path, files_.Separator());
    if (result.fault) {
        faults.push_back(NameOf(path, files_.Separator()) + ": " + *result.fault);
        return result.tracks;
    }
    // A file that changed while it was read is hashed again next time.
    if (cache_ && stamp && files_.Stamp(path) == stamp) cache_->Store(path, *stamp, result.tracks, withMd5_);
    return result.tracks;
}

DiscReport Verifier::Check(const DiscOnDisk& disc) {
    DiscReport report;
    report.disc = disc;
    if (disc.kind == DiscOnDisk::Kind::FILES) {
        for (const std::string& file : disc.files) {
            auto tracks = Hash(file, disc.kind, report.faults);
            report.tracks.insert(report.tracks.end(), tracks.begin(), tracks.end());
        }
    } else {
        report.tracks = Hash(disc.path, disc.kind, report.faults);
    }
    report.verdict = MatchDisc(catalogue_, index_, report.tracks);
    // A file that could not be read whole is never verified, whatever its readable part matched.
    if (!report.faults.empty()) {
        report.verdict.status = VerifyStatus::BAD;
        report.verdict.aliases.clear();
        report.verdict.problems.insert(report.verdict.problems.end(), report.faults.begin(),
                                       report.faults.end());
    }
    return report;
}

const char* StatusName(VerifyStatus status) {
    switch (status) {
        case VerifyStatus::VERIFIED:
            return "verified";
        case VerifyStatus::BAD:
            return "bad";
        case VerifyStatus::UNKNOWN:
            break;
    }
    return "unknown";
}

std::string VerdictLine(const DatCatalogue& catalogue, const DiscReport& report) {
    const DiscVerdict& verdict = report.verdict;
    const std::string& path = report.disc.path;
    switch (verdict.status) {
        case VerifyStatus::VERIFIED: {
            const DatGame& game = catalogue.games[*verdict.game];
            const size_t tracks = TrackCount(game);
            std::string line = "[VERIFIED] " + game.name + " (" + std::to_string(tracks) +
                               (tracks == 1 ? " track)" : " tracks)");
            std::vector<std::string> aliases;
            for (size_t alias : verdict.aliases) aliases.push_back(catalogue.games[alias].name);
            if (!aliases.empty()) line += ", also listed as " + Joined(aliases, "; ");
            return line + " - " + path;
        }
        case VerifyStatus::BAD:
            if (verdict.game)
                return "[BAD] " + catalogue.games[*verdict.game].name + ": " +
                       Joined(verdict.problems, ", ") + " - " + path;
            return "[BAD] " + path + ": " + Joined(verdict.problems, ", ");
        case VerifyStatus::UNKNOWN:
            break;
    }
    return "[UNKNOWN] " + path;
}

}  // namespace cartovex
