#include "refdata/Update.h"

#include "common/Text.h"
#include "refdata/Loader.h"
#include "refdata/ReferenceFormat.h"
#include "refdata/UpdateSite.h"

namespace cartovex {

namespace {

// Versions are held in 16 bits, read the same way the loader reads them, so a file whose number
// is beyond that range isn't fetched again at every start.
int16_t VersionOf(const std::string& data) {
    LineReader reader(data);
    std::string line;
    reader.Next(line);
    return SaturateInt16(ReadNumber(line));
}

void UpdateOne(Program& program, const SiteAddress& site, const std::string& name, ReferenceFile kind,
               int16_t (*loadedVersion)(const Program&), const DownloadLimits& limits) {
    const Download download =
        program.platform.network.Fetch(site.base + "/zip/" + name, limits.maxBytes, limits.timeoutSeconds);
    // A file the site doesn't have is no fault of anyone's; an old list or an error page (whose
    // first line is no higher number) is no news. Neither is worth a line.
    if (download.outcome == Download::Outcome::NOT_FOUND) return;
    // A certificate that can't be trusted may be an attack or a site set up wrongly; either way the
    // user has to know which, so the reason is shown.
    if (download.outcome == Download::Outcome::UNTRUSTED) {
        program.pane.AppendLine(name + " was not updated: the site's certificate could not be verified (" +
                                download.reason + ").");
        return;
    }
    if (download.outcome != Download::Outcome::COMPLETE) {
        program.pane.AppendLine(name + " was not updated: the download failed.");
        return;
    }
    if (VersionOf(download.body) <= loadedVersion(program)) return;
    // Only a whole file may replace the one we have: a server that closes the connection early
    // without having announced the length delivers a cut file that nothing else would notice.
    if (!IsWholeReferenceFile(kind, download.body)) {
        program.pane.AppendLine(name + " was not updated: the download is incomplete or damaged.");
        return;
    }
    // The new file is complete on the disc before it takes the old one's place in one step, so
    // there is no moment without a reference file.
    if (!program.files().WriteFile(program.StartFile(name), download.body)) {
        program.pane.AppendLine(name + " was not updated: it could not be written.");
        return;
    }
    LoadDatabases(program);
}

}  // namespace

void UpdateDatabases(Program& program, DownloadLimits limits) {
    const SiteReading reading = ReadUpdateSite(program.updateSite, program.updatePort);
    if (!reading.address) {
        program.pane.AppendLine(UnusableSiteLine(program.updateSite, reading.problem));
        return;
    }
    const SiteAddress& site = *reading.address;
    if (!program.platform.network.Probe(site.host, site.port, UPDATE_PROBE_TIMEOUT_MS)) {
        program.pane.AppendLine("Could not connect to update site!");
        return;
    }
    UpdateOne(
        program, site, "DATA.KVX", ReferenceFile::DATABASE,
        [](const Program& p) { return p.database.version; }, limits);
    UpdateOne(
        program, site, "DEVELOPPER.KVX", ReferenceFile::DEVELOPERS,
        [](const Program& p) { return p.developers.version; }, limits);
}

}  // namespace cartovex
