// The tracks of a CD kept in a CHD, as its metadata lists them. chdman writes one entry a track:
//
//   "CHT2": TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:300 PREGAP:0 PGTYPE:MODE1 PGSUB:NONE POSTGAP:0
//   "CHTR": TRACK:1 TYPE:MODE1_RAW SUBTYPE:NONE FRAMES:300             (older files)
//   "CHCD": one binary entry for the whole disc (the oldest files): the track count, then six
//           32-bit numbers a track: type, subcode type, data size, subcode size, frames, padding.
//
// A track made from a raw image is MODE1_RAW (2,352-byte sectors), one made from an ISO MODE1
// (2,048 bytes, at the start of the frame), an audio track AUDIO. Every track's frames are padded
// to a multiple of four in the CHD. A pregap whose type starts with "V" is stored before the track's
// first sector; any other pregap is not in the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "disc/containers/ChdFile.h"

namespace cartovex {

struct CdTrack {
    int number = 0;
    std::string type;  // "MODE1_RAW", "MODE1", "AUDIO", ...
    uint32_t frames = 0;
    uint32_t storedPregap = 0;  // frames before the first sector, stored in the file
    uint32_t padding = 0;       // frames after the track, in the file only
};

/// The CD tracks the metadata lists, in track order 1, 2, ...: from the "CHT2" entries, else the
/// "CHTR" ones, else a "CHCD" entry. A list that doesn't run from track 1 without a gap is damage.
std::optional<ChdFault> ReadCdTracks(const std::vector<ChdMetadata>& metadata, std::vector<CdTrack>& tracks);

/// The frame of the CHD (counted from its start) that holds the first sector of track `index`
/// (0-based) of `tracks`.
uint64_t FirstSectorFrame(const std::vector<CdTrack>& tracks, size_t index);

}  // namespace cartovex
