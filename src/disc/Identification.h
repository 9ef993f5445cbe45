// Identification: the disc's normalised serial and version, its entry in the header database
// (found by the header checksum alone) and the name line it is shown, reported and renamed under.
#pragma once

#include "app/Program.h"
#include "disc/DiscInfo.h"
#include "refdata/ReferenceTables.h"

namespace cartovex {

/// Sets `serialParts`, `softwareVersion` and `referenceId` from `serialField`, with the fixed
/// corrections for discs whose headers carry their serial wrongly. May rewrite `serialField` and
/// `softwareType` in `header`.
void NormaliseSerial(DiscInfo& disc);

/// Sets `matchIndex` to the first entry whose checksum field equals `crc32`, and `tracksMismatch`
/// when that entry's track count differs from `audioTracks`.
void FindDatabaseEntry(DiscInfo& disc, const HeaderDatabase& database);

/// Sets `displayName` (with the "(DUPE)" and "(MISSING AUDIO TRACKS)" markers, or "NOT IN DATABASE"
/// or "CONVERTED IMAGE"), `duplicate` from KVX_HAVE.TXT, and enables PROCESS exactly for a match.
void BuildDisplayName(Program& program);

}  // namespace cartovex
