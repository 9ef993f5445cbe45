#include "refdata/Update.h"

#include "common/Text.h"
#include "refdata/Loader.h"

namespace cartovex {

namespace {

std::string SiteAddress(const Program& program) {
    std::string address = "http://" + program.updateSite;
    if (program.updatePort != 80) address += ":" + std::to_string(program.updatePort);
    return address;
}

// Versions are held in 16 bits, read the same way the loader reads them, so a file whose number
// is beyond that range isn't fetched again at every start.
int16_t VersionOf(const std::string& data) {
    LineReader reader(data);
    std::string line;
    reader.Next(line);
    return SaturateInt16(ReadNumber(line));
}

void UpdateOne(Program& program, const std::string& name, int16_t (*loadedVersion)(const Program&),
               const DownloadLimits& limits) {
    Files& files = program.files();
    const std::string temp = program.StartFile("file.tmp");
    const std::string local = program.StartFile(name);
    const bool downloaded = program.platform.network.Download(SiteAddress(program) + "/zip/" + name, temp,
                                                              limits.maxBytes, limits.timeoutSeconds);
    if (downloaded) {
        const std::optional<std::string> data = files.ReadFile(temp, limits.maxBytes);
        // An error page, an old list or a file we can't read: the local file stays as it is.
        // Otherwise the new file takes the old one's place in one step, so there is no moment
        // without a reference file.
        if (data && VersionOf(*data) > loadedVersion(program) && files.ReplaceFile(temp, local)) {
            LoadDatabases(program);
            return;
        }
    }
    if (files.Exists(temp)) files.DeleteFile(temp);
}

}  // namespace

void UpdateDatabases(Program& program, DownloadLimits limits) {
    if (!program.platform.network.Probe(program.updateSite, program.updatePort, UPDATE_PROBE_TIMEOUT_MS)) {
        program.pane.AppendLine("Could not connect to update site!");
        return;
    }
    UpdateOne(
        program, "DATA.KVX", [](const Program& p) { return p.database.version; }, limits);
    UpdateOne(
        program, "DEVELOPPER.KVX", [](const Program& p) { return p.developers.version; }, limits);
}

}  // namespace cartovex
