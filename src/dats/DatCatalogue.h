// DAT files: the catalogues of verified dumps that collectors download (Logiqx XML, or the older
// clrmamepro text form), read into one in-memory catalogue. Every DAT given to a run is appended
// to the same catalogue; each game remembers which DAT it came from. DAT files come from strangers:
// a rom with a bad field is left out and counted, the rest of its DAT is used; a file that is not a
// DAT at all, is cut off, or asks for entity expansion is refused whole, with the reason.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace cartovex {

using Sha1Digest = std::array<uint8_t, 20>;
using Md5Digest = std::array<uint8_t, 16>;

/// One file of a game as its DAT lists it.
struct DatRom {
    std::string name;
    uint64_t size = 0;
    std::optional<uint32_t> crc;
    std::optional<Md5Digest> md5;
    std::optional<Sha1Digest> sha1;
};

/// One disc: a set of roms (its sheet and its track files).
struct DatGame {
    std::string name;
    std::string description;
    std::vector<DatRom> roms;
    size_t dat = 0;  // index into DatCatalogue::dats
};

/// A DAT file the catalogue holds games of.
struct DatSource {
    std::string path;                        // as it was loaded
    std::string fileName;                    // its last component
    std::string name, description, version;  // from the header (empty when absent)
};

struct DatCatalogue {
    std::vector<DatSource> dats;
    std::vector<DatGame> games;
    size_t skippedRoms = 0;   // roms left out for a bad field
    size_t skippedGames = 0;  // games left out for having no name
};

/// The largest file LoadDatFile reads; the largest real DATs are a few MB.
constexpr uint64_t DAT_SIZE_LIMIT = 64ull << 20;

/// The largest rom size believed: no file of a disc set comes near it.
constexpr uint64_t DAT_ROM_SIZE_LIMIT = 16ull << 30;

/// Parses one DAT text (XML or clrmamepro, told by its content) as dats[datIndex] (created when
/// missing); its header fields are set there and its games appended. Nothing on success, else the
/// reason ("not XML: ... at line 12", "cut off in the middle", "declares entities, which are not
/// expanded", ...), and then `into` is as it was.
std::optional<std::string> ParseDat(std::string_view text, size_t datIndex, DatCatalogue& into);

/// Reads and parses the file as a new DAT at the end of into.dats; a reason on failure (can't be
/// read, larger than DAT_SIZE_LIMIT, a parse failure). On failure `into` is as it was.
std::optional<std::string> LoadDatFile(const Files& files, const std::string& path, DatCatalogue& into);

/// Full paths of the *.dat and *.xml files directly in `folder` (ASCII case ignored), in name order;
/// empty when none or no folder.
std::vector<std::string> DatFilesInFolder(const Files& files, const std::string& folder);

/// Whether this build reads XML DATs (false only where the XML library is missing, e.g. a cross
/// build without it).
bool XmlDatsSupported();

}  // namespace cartovex
