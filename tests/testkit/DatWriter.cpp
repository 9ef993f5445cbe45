#include "testkit/DatWriter.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "verify/TrackHasher.h"

namespace cartovex::testkit {

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string RomLine(const std::string& name, const std::string& bytes) {
    TrackHasher hasher(true);
    hasher.Update({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    const TrackDigest digest = hasher.Finish();
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", digest.crc);
    return "\t\t<rom name=\"" + Escaped(name) + "\" size=\"" + std::to_string(bytes.size()) + "\" crc=\"" + crc +
           "\" md5=\"" + HexDigest(*digest.md5) + "\" sha1=\"" + HexDigest(digest.sha1) + "\"/>\n";
}

}  // namespace

std::string LogiqxDat(const std::string& datName, const std::vector<DatGameSpec>& games) {
    std::string dat =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
        "\"http://www.logiqx.com/Dats/datafile.dtd\">\n"
        "<datafile>\n\t<header>\n\t\t<name>" +
        Escaped(datName) + "</name>\n\t\t<description>" + Escaped(datName) +
        "</description>\n\t\t<version>20261208</version>\n\t</header>\n";
    for (const DatGameSpec& game : games) {
        dat += "\t<game name=\"" + Escaped(game.name) + "\">\n\t\t<description>" + Escaped(game.name) +
               "</description>\n";
        for (const auto& [name, bytes] : game.roms) dat += RomLine(name, bytes);
        dat += "\t</game>\n";
    }
    return dat + "</datafile>\n";
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

DatGameSpec GameOfFiles(const std::string& name, const std::string& sheet, const std::vector<std::string>& files) {
    DatGameSpec game{name, {}};
    game.roms.emplace_back(name + ".cue", FileBytes(sheet));
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string number = files.size() < 10 || i >= 9 ? std::to_string(i + 1) : "0" + std::to_string(i + 1);
        game.roms.emplace_back(name + " (Track " + number + ").bin", FileBytes(files[i]));
    }
    return game;
}

}  // namespace cartovex::testkit
