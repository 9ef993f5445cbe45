// DAT files for tests and the demo, made from files that really exist: every rom carries the real
// size, CRC-32, MD5 and SHA-1 of the bytes it names, as a preservation project's DAT would.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace cartovex::testkit {

struct DatGameSpec {
    std::string name;
    /// Each rom's name in the DAT and the bytes it stands for.
    std::vector<std::pair<std::string, std::string>> roms;
};

/// A Logiqx XML DAT of the games, with the header name `datName`.
std::string LogiqxDat(const std::string& datName, const std::vector<DatGameSpec>& games);

/// A game as a preservation DAT lists a set whose files are `files` (full paths): the sheet rom
/// first (`sheet`'s bytes), then "name (Track N).bin" for each file, N one digit below 10 tracks.
DatGameSpec GameOfFiles(const std::string& name, const std::string& sheet, const std::vector<std::string>& files);

/// The bytes of a file, for the specs above.
std::string FileBytes(const std::string& path);

}  // namespace cartovex::testkit
