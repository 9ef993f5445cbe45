#include <algorithm>
#include <vector>

#include "collection/Collection.h"
#include "common/Text.h"
#include "disc/Identification.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

std::string DatabaseName(const std::string& entry) {
    return entry.substr(0, entry.find('#'));
}

struct ScanResult {
    std::vector<std::string> have;  // in listing order; a title found twice is listed twice
    std::vector<std::string> miss;  // in database order
};

ScanResult MatchAgainstDatabase(const std::vector<std::string>& listing, const HeaderDatabase& database) {
    std::vector<std::string> names;
    for (int i = 0; i < database.count; ++i)
        names.push_back(DatabaseName(database.entries[static_cast<size_t>(i)]));
    ScanResult result;
    for (const std::string& entry : listing) {
        const std::string key = MatchKey(entry);
        if (std::find(names.begin(), names.end(), key) != names.end()) result.have.push_back(key);
    }
    for (const std::string& name : names)
        if (std::find(result.have.begin(), result.have.end(), name) == result.have.end())
            result.miss.push_back(name);
    return result;
}

std::string Summary(const std::string& lead, size_t count, const HeaderDatabase& database) {
    return lead + NumberText(static_cast<long long>(count)) + " of" + NumberText(database.count) +
           " known Sega CD images from Cartovex list" + NumberText(database.version);
}

std::string ListFile(const std::string& summary, const std::vector<std::string>& names) {
    std::string text = summary + "\r\n\r\n";
    for (const std::string& name : names) text += name + "\r\n";
    return text;
}

}  // namespace

void ScanCollection(Program& program) {
    Files& files = program.files();
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
    const std::string folder = BrowseForFolder(program);
    if (folder.empty()) return;
    // Without a database nothing can match, and the lists would be replaced by empty ones that
    // claim nothing of a collection; the old lists say more.
    if (program.database.count == 0) {
        program.pane.ClearPane();
        program.pane.AppendLine(
            "No database is loaded, so KVX_HAVE.TXT and KVX_MISS.TXT are kept as they are.");
        return;
    }

    files.SetCurrentDirectory(program.startFolder);
    // An empty listing of a folder that isn't there, or can't be read, would claim the whole
    // database as missing and overwrite the user's lists with that; the old lists stay instead.
    ListingFailures failures;
    const std::vector<std::string> listing = files.ListTopLevel(folder, &failures);
    if (failures.empty() && !files.IsDirectory(folder)) failures.push_back({folder});
    if (!failures.empty()) {
        program.pane.ClearPane();
        program.pane.AppendLine(ListingFailureLine(failures.front()));
        return;
    }
    const ScanResult result = MatchAgainstDatabase(listing, program.database);

    const std::string missSummary = Summary("You are missing", result.miss.size(), program.database);
    // Each list is replaced whole once its new content is complete, so no delete comes first.
    const bool haveWritten =
        files.WriteFile(program.StartFile("KVX_HAVE.TXT"),
                        ListFile(Summary("You have", result.have.size(), program.database), result.have));
    const bool missWritten =
        files.WriteFile(program.StartFile("KVX_MISS.TXT"), ListFile(missSummary, result.miss));

    program.pane.ClearPane();
    program.pane.AppendLine(missSummary + ".");
    if (!haveWritten) program.pane.AppendLine("KVX_HAVE.TXT could not be written.");
    if (!missWritten) program.pane.AppendLine("KVX_MISS.TXT could not be written.");
}

}  // namespace cartovex
