// The build defines CARTOVEX_HAVE_JSON for this file alone when nlohmann's library was found.
#include "app/JsonReport.h"

#include <cstdio>

#include "common/Text.h"
#include "disc/Decoders.h"
#include "disc/ShownFormat.h"

#if CARTOVEX_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace cartovex {

#if CARTOVEX_HAVE_JSON

namespace {

// Paths and messages come from the file system: kept as they are when they are UTF-8 already (as
// names on Linux usually are), read as Latin-1 otherwise.
std::string SystemText(const std::string& text) {
    return IsValidUtf8(text) ? text : Latin1ToUtf8(text);
}

}  // namespace

bool JsonOutputSupported() {
    return true;
}

std::string ImageReportJson(Program& program, const std::string& path, bool accepted,
                            const std::string& message) {
    using nlohmann::ordered_json;
    ordered_json report;
    report["path"] = SystemText(path);
    report["accepted"] = accepted;
    if (!accepted) {
        report["message"] = SystemText(message);
        return report.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
    }
    const DiscInfo& disc = program.disc;
    const HeaderBlock& header = disc.header;
    report["message"] = nullptr;
    report["header"] = {
        {"bootSystem", Latin1ToUtf8(BootSystem(header))},
        {"cdType", Latin1ToUtf8(CdType(header))},
        {"systemName", Latin1ToUtf8(SystemName(header))},
        {"systemVersion", HexForm(SystemVersion(header))},
        {"timeStamp", Latin1ToUtf8(TimeStamp(header))},
        {"systemNeeded", Latin1ToUtf8(SystemNeeded(header))},
        {"copyrightInfo", Latin1ToUtf8(CopyrightInfo(header))},
        {"localName", Latin1ToUtf8(LocalName(header))},
        {"worldName", Latin1ToUtf8(WorldName(header))},
        {"softwareType", Latin1ToUtf8(SoftwareType(header))},
        {"serialField", Latin1ToUtf8(SerialField(header))},
        {"deviceSupport", Latin1ToUtf8(DeviceSupport(header))},
    };
    report["devices"] = Latin1ToUtf8(DecodeDevices(disc));
    report["developer"] = Latin1ToUtf8(DecodePublisher(disc, program.developers));
    report["region"] = Latin1ToUtf8(DecodeRegion(disc));
    report["referenceId"] = Latin1ToUtf8(disc.referenceId);
    report["softwareVersion"] = Latin1ToUtf8(disc.softwareVersion);
    report["crc32"] = HexForm(disc.crc32);
    report["imageFormat"] = ShownImageFormat(program);
    report["audioTracks"] = disc.audioTracks;
    const bool matched = disc.matchIndex >= 0 && disc.matchIndex < HEADER_DATABASE_SLOTS;
    if (matched)
        report["title"] =
            Latin1ToUtf8(Piece(program.database.entries[static_cast<size_t>(disc.matchIndex)], '#', 0));
    else
        report["title"] = nullptr;
    report["displayName"] = Latin1ToUtf8(disc.displayName);
    report["dupe"] = matched && disc.duplicate == SET_VALUE;
    report["missingTracks"] = matched && disc.tracksMismatch == SET_VALUE;
    // Everything above is valid UTF-8 already; the handler only keeps a slip from throwing.
    return report.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

std::string VerifyReportJson(const DatCatalogue& catalogue, const DiscReport& report) {
    using nlohmann::ordered_json;
    const DiscVerdict& verdict = report.verdict;
    ordered_json object;
    object["path"] = SystemText(report.disc.path);
    object["status"] = StatusName(verdict.status);
    if (verdict.game) {
        const DatGame& game = catalogue.games[*verdict.game];
        object["game"] = SystemText(game.name);
        object["dat"] = SystemText(catalogue.dats[game.dat].fileName);
    } else {
        object["game"] = nullptr;
        object["dat"] = nullptr;
    }
    ordered_json aliases = ordered_json::array();
    for (size_t alias : verdict.aliases) aliases.push_back(SystemText(catalogue.games[alias].name));
    object["aliases"] = aliases;
    ordered_json problems = ordered_json::array();
    for (const std::string& problem : verdict.problems) problems.push_back(SystemText(problem));
    object["problems"] = problems;
    ordered_json tracks = ordered_json::array();
    for (const HashedTrack& track : report.tracks) {
        ordered_json entry;
        entry["name"] = SystemText(track.name);
        entry["size"] = track.digest.size;
        char crc[9];
        std::snprintf(crc, sizeof crc, "%08x", track.digest.crc);
        entry["crc"] = crc;
        entry["sha1"] = HexDigest(track.digest.sha1);
        if (track.digest.md5) entry["md5"] = HexDigest(*track.digest.md5);
        tracks.push_back(entry);
    }
    object["tracks"] = tracks;
    return object.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

#else

bool JsonOutputSupported() {
    return false;
}

std::string ImageReportJson(Program&, const std::string&, bool, const std::string&) {
    return {};
}

std::string VerifyReportJson(const DatCatalogue&, const DiscReport&) {
    return {};
}

#endif

}  // namespace cartovex
