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

/// The Logiqx XML reader; nothing on success, else the reason. Given `buffer`, which holds `text`,
/// it parses there instead of in a copy, sparing a large DAT's second copy; `buffer` is then
/// altered, and a failure's line is only near the right one.
std::optional<std::string> ReadLogiqxDat(std::string_view text, DatReading& reading,
                                         std::string* buffer = nullptr);
/// The clrmamepro text reader; nothing on success, else the reason.
std::optional<std::string> ReadClrMameProDat(std::string_view text, DatReading& reading);

/// ParseDat, parsing XML in `buffer` itself when given (it holds `text`; see ReadLogiqxDat).
std::optional<std::string> ParseDatText(std::string_view text, std::string* buffer, size_t datIndex,
                                        DatCatalogue& into);

/// The line (from 1) that byte `offset` of `text` is on.
size_t LineAt(std::string_view text, size_t offset);

}  // namespace cartovex::dats
