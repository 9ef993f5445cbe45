// The fixdat: a DAT of what a collection misses, which collectors load into their collection
// manager to find the missing discs. It is a Logiqx XML DAT in the standard layout (XML
// declaration, the Logiqx DOCTYPE, a header, one <game> per set) so clrmamepro, RomVault and igir
// read it like any DAT.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "dats/DatCatalogue.h"

namespace cartovex {

/// A Logiqx XML DAT of the games `missing` (indices into catalogue.games; others are ignored), each
/// written whole with all its roms (name, size, crc, md5, sha1 as loaded, lower-case hex). Its
/// header says it lists what a collection misses of the source DATs (by their header name, else
/// their file name), with `date` (YYYY-MM-DD) in <date>.
std::string WriteFixDat(const DatCatalogue& catalogue, std::span<const size_t> missing,
                        std::string_view date);

/// Text as XML character data or an attribute value: & < > " escaped, tab and line ends as
/// character references (an attribute would fold them into blanks), and what XML 1.0 can't carry
/// at all (other control characters, broken UTF-8) as U+FFFD.
std::string XmlEscaped(std::string_view text);

}  // namespace cartovex
