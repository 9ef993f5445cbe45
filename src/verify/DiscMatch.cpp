#include "verify/DiscMatch.h"

#include <algorithm>
#include <map>

#include "common/Text.h"

namespace cartovex {

namespace {

// The tracks of a game, in the order the DAT lists them: track 1 first.
std::vector<size_t> TrackRoms(const DatGame& game) {
    std::vector<size_t> roms;
    for (size_t i = 0; i < game.roms.size(); ++i)
        if (!IsSheetRom(game.roms[i])) roms.push_back(i);
    return roms;
}

// Every rom that may be this track: looked up by each hash the track has, then checked whole.
std::vector<RomRef> RomsOf(const DatCatalogue& catalogue, const DatIndex& index, const HashedTrack& track) {
    std::vector<RomRef> found;
    auto take = [&](std::span<const RomRef> refs) {
        for (const RomRef& ref : refs) {
            const bool known = std::any_of(found.begin(), found.end(), [&](const RomRef& other) {
                return other.game == ref.game && other.rom == ref.rom;
            });
            if (!known && TrackIsRom(track, catalogue.games[ref.game].roms[ref.rom])) found.push_back(ref);
        }
    };
    take(index.BySha1(track.digest.sha1));
    if (track.digest.md5) take(index.ByMd5(*track.digest.md5));
    take(index.ByCrcAndSize(track.digest.crc, track.digest.size));
    return found;
}

struct Candidate {
    size_t game = 0;
    bool hasDataTrack = false;
    size_t matchedTracks = 0;  // of the disc's tracks, those that are one of the game's
};

// How the game's tracks meet the disc's: for each track rom, the disc track that is it, if any.
// Each disc track serves one rom only, so a disc holding one track twice can't stand in for two.
std::vector<std::optional<size_t>> Pair(const DatGame& game, const std::vector<size_t>& trackRoms,
                                        std::span<const HashedTrack> tracks,
                                        const std::vector<size_t>& discTracks) {
    std::vector<std::optional<size_t>> paired(trackRoms.size());
    std::vector<bool> used(tracks.size(), false);
    for (size_t k = 0; k < trackRoms.size(); ++k)
        for (size_t t : discTracks)
            if (!used[t] && TrackIsRom(tracks[t], game.roms[trackRoms[k]])) {
                paired[k] = t;
                used[t] = true;
                break;
            }
    return paired;
}

std::vector<std::string> Problems(const DatGame& game, const std::vector<size_t>& trackRoms,
                                  const std::vector<std::optional<size_t>>& paired,
                                  std::span<const HashedTrack> tracks,
                                  const std::vector<size_t>& discTracks) {
    std::vector<bool> used(tracks.size(), false);
    for (const auto& t : paired)
        if (t) used[*t] = true;
    std::vector<size_t> spare;  // the disc's tracks that are none of the game's
    for (size_t t : discTracks)
        if (!used[t]) spare.push_back(t);
    std::vector<std::string> problems;
    for (size_t k = 0; k < trackRoms.size(); ++k) {
        if (paired[k]) continue;
        // A track of the right size that hashes otherwise is that track damaged; with no such
        // track, one left over still stands in its place when the disc has as many as the game.
        const uint64_t size = game.roms[trackRoms[k]].size;
        auto same =
            std::find_if(spare.begin(), spare.end(), [&](size_t t) { return tracks[t].digest.size == size; });
        const bool present = same != spare.end() || discTracks.size() >= trackRoms.size();
        if (same != spare.end()) spare.erase(same);
        problems.push_back("track " + std::to_string(k + 1) + (present ? " differs" : " is missing"));
    }
    return problems;
}

}  // namespace

bool IsSheetRom(const DatRom& rom) {
    return EndsWithIgnoringAsciiCase(rom.name, ".cue");
}

bool TrackIsRom(const HashedTrack& track, const DatRom& rom) {
    if (!track.intact || track.digest.size != rom.size || IsSheetRom(rom)) return false;
    if (rom.sha1) return *rom.sha1 == track.digest.sha1;
    if (rom.md5 && track.digest.md5) return *rom.md5 == *track.digest.md5;
    return rom.crc && *rom.crc == track.digest.crc;
}

DiscVerdict MatchDisc(const DatCatalogue& catalogue, const DatIndex& index,
                      std::span<const HashedTrack> tracks) {
    std::vector<size_t> discTracks;  // the disc's tracks, its own sheets left out
    for (size_t t = 0; t < tracks.size(); ++t)
        if (!EndsWithIgnoringAsciiCase(tracks[t].name, ".cue")) discTracks.push_back(t);

    std::map<size_t, Candidate> candidates;
    for (size_t t : discTracks) {
        std::vector<size_t> gamesOfTrack;
        for (const RomRef& ref : RomsOf(catalogue, index, tracks[t])) {
            Candidate& candidate = candidates[ref.game];
            candidate.game = ref.game;
            const std::vector<size_t> trackRoms = TrackRoms(catalogue.games[ref.game]);
            if (!trackRoms.empty() && trackRoms.front() == ref.rom) candidate.hasDataTrack = true;
            if (std::find(gamesOfTrack.begin(), gamesOfTrack.end(), ref.game) == gamesOfTrack.end()) {
                gamesOfTrack.push_back(ref.game);
                ++candidate.matchedTracks;
            }
        }
    }
    // A damaged data track still leaves the disc recognisable when every other track is the game's,
    // and there are at least two of them: one shared audio track says nothing.
    auto eligible = [&](const Candidate& c) {
        return c.hasDataTrack || (c.matchedTracks >= 2 && c.matchedTracks + 1 == discTracks.size());
    };
    std::vector<Candidate> ranked;
    for (const auto& [game, candidate] : candidates)
        if (eligible(candidate)) ranked.push_back(candidate);
    // The map keeps catalogue order, which the stable sort keeps among equals.
    std::stable_sort(ranked.begin(), ranked.end(), [](const Candidate& a, const Candidate& b) {
        if (a.hasDataTrack != b.hasDataTrack) return a.hasDataTrack;
        return a.matchedTracks > b.matchedTracks;
    });

    DiscVerdict verdict;
    if (ranked.empty()) return verdict;
    std::vector<size_t> whole;  // games every one of whose tracks the disc has
    for (const Candidate& candidate : ranked) {
        const DatGame& game = catalogue.games[candidate.game];
        const std::vector<size_t> trackRoms = TrackRoms(game);
        const auto paired = Pair(game, trackRoms, tracks, discTracks);
        if (std::all_of(paired.begin(), paired.end(), [](const auto& t) { return t.has_value(); }))
            whole.push_back(candidate.game);
    }
    if (!whole.empty()) {
        verdict.status = VerifyStatus::VERIFIED;
        verdict.game = whole.front();
        verdict.aliases.assign(whole.begin() + 1, whole.end());
        return verdict;
    }
    const DatGame& game = catalogue.games[ranked.front().game];
    const std::vector<size_t> trackRoms = TrackRoms(game);
    verdict.status = VerifyStatus::BAD;
    verdict.game = ranked.front().game;
    verdict.problems =
        Problems(game, trackRoms, Pair(game, trackRoms, tracks, discTracks), tracks, discTracks);
    return verdict;
}

}  // namespace cartovex
