// Which catalogued game a disc is, judged by the hashes of its tracks alone.
//
// A verified dump is one whose every track carries the hashes a DAT lists for that game, whatever
// the files are called now: collectors rename their files, and this program renames them itself.
// The sheet a DAT lists is never required to match, because sheets are rewritten legitimately (a
// repaired sheet names renamed files). A disc is taken for a game when one of its tracks is that
// game's first track, the data track, whose hash no other game shares; audio tracks alone decide
// nothing, as a track of silence is the same on many discs.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dats/DatCatalogue.h"
#include "dats/DatIndex.h"
#include "verify/TrackHashing.h"

namespace cartovex {

enum class VerifyStatus {
    VERIFIED,  // every track of the game is there with its hashes
    BAD,       // the disc is a game's, but a track differs or is missing (or the file is damaged)
    UNKNOWN,   // no game's data track is among its tracks
};

struct DiscVerdict {
    VerifyStatus status = VerifyStatus::UNKNOWN;
    /// The game the disc is (index into the catalogue's games).
    std::optional<size_t> game;
    /// Other games whose tracks match the disc just as well, in catalogue order.
    std::vector<size_t> aliases;
    /// What is wrong with a bad disc, one text each: "track 3 differs", "track 4 is missing".
    std::vector<std::string> problems;
};

/// True for a rom that is a game's sheet rather than one of its tracks.
bool IsSheetRom(const DatRom& rom);

/// True when the track is that rom: the same size and the strongest hash both have the same.
bool TrackIsRom(const HashedTrack& track, const DatRom& rom);

/// Judges the tracks of one disc (a sheet's files, an archive's members, a CHD's tracks; sheets
/// among them are passed over).
DiscVerdict MatchDisc(const DatCatalogue& catalogue, const DatIndex& index,
                      std::span<const HashedTrack> tracks);

}  // namespace cartovex
