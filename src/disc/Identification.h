// Identification: the disc's normalised serial and version, its entry in the header database
// (found by the header checksum alone) and the name line it is shown, reported and renamed under.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "disc/DiscInfo.h"
#include "refdata/ReferenceTables.h"
#include "state/Program.h"

namespace cartovex {

/// Sets `serialParts`, `softwareVersion` and `referenceId` from `serialField`, with the fixed
/// corrections for discs whose headers carry their serial wrongly. May rewrite `serialField` and
/// `softwareType` in `header`.
void NormaliseSerial(DiscInfo& disc);

/// The first entry of each checksum, for a run that looks up thousands of images in a database
/// that doesn't change meanwhile. It holds no entry texts: the database must outlive it.
class DatabaseIndex {
public:
    explicit DatabaseIndex(const HeaderDatabase& database);
    /// The first slot whose checksum field is `checksum`, or NONE_VALUE.
    int16_t FirstSlot(const std::string& checksum) const;

private:
    std::unordered_map<std::string, int16_t> firstSlots_;
};

/// Sets `matchIndex` to the first entry whose checksum field equals `crc32`, and `tracksMismatch`
/// when that entry's track count differs from `audioTracks`. With an index of the same database
/// the entry is found without a scan, with the same result.
void FindDatabaseEntry(DiscInfo& disc, const HeaderDatabase& database, const DatabaseIndex* index = nullptr);

/// The names KVX_HAVE.TXT in the start folder lists, one a line. An empty list file is deleted; one
/// that can't be read is left alone and lists nothing.
std::vector<std::string> ReadHaveList(Program& program);

/// The title a collection entry (a folder or file name) stands for: underscores back to blanks,
/// everything from the first dot cut, and the markers processing appends ("(DUPE)", "(MISSING AUDIO
/// TRACKS)") taken off its end, so a processed disc is still found under its title.
std::string MatchKey(std::string name);

/// Sets `displayName` (with the "(DUPE)" and "(MISSING AUDIO TRACKS)" markers, or "NOT IN DATABASE"
/// or "CONVERTED IMAGE"), `duplicate` from KVX_HAVE.TXT, and enables PROCESS exactly for a match.
/// An image whose file or folder name already stands for its title is the copy the HAVE list names,
/// not a duplicate of it.
void BuildDisplayName(Program& program);

}  // namespace cartovex
