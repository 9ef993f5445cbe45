// What the two DAT readers share: the record they fill, and the checks every rom's fields pass
// before the rom is believed. Both readers hand over fields as texts exactly as the file has them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dats/DatCatalogue.h"

namespace cartovex::dats {

/// One DAT's content, gathered apart from the catalogue so a refused file leaves it untouched.
struct DatReading {
    std::string name, description, version;
    std::vector<DatGame> games;
    size_t skippedRoms = 0;
    size_t skippedGames = 0;
};

/// A rom's fields as read; a field the file lacks is nothing.
struct RomFields {
    std::string_view name;
    std::optional<std::string_view> size, crc, md5, sha1;
};

/// Adds the rom to `game` when every field is sound and it carries at least one hash; otherwise
/// counts it in reading.skippedRoms.
void AddRom(DatReading& reading, DatGame& game, const RomFields& fields);

/// Adds the game when it has a name; otherwise counts it in reading.skippedGames.
void AddGame(DatReading& reading, DatGame&& game);

/// The Logiqx XML reader; nothing on success, else the reason.
std::optional<std::string> ReadLogiqxDat(std::string_view text, DatReading& reading);
/// The clrmamepro text reader; nothing on success, else the reason.
std::optional<std::string> ReadClrMameProDat(std::string_view text, DatReading& reading);

/// The line (from 1) that byte `offset` of `text` is on.
size_t LineAt(std::string_view text, size_t offset);

}  // namespace cartovex::dats
