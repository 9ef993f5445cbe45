#include "collection/DatabaseBuilder.h"

#include <algorithm>
#include <map>

#include "collection/SheetAudioTracks.h"
#include "common/Text.h"
#include "disc/Analysis.h"
#include "disc/DiscFolder.h"
#include "disc/ImageFormat.h"
#include "disc/ImgSet.h"
#include "disc/containers/ContainerKinds.h"

namespace cartovex {

namespace {

std::string LastLine(const std::string& paneText) {
    const size_t at = paneText.rfind("\r\n");
    return at == std::string::npos ? paneText : paneText.substr(at + 2);
}

// A folder holding one disc is named after it; in a folder shared by several, the disc's own sheet
// (else the image) carries its name. Processing turns blanks into underscores; the database holds
// the title as it is shown.
std::string EntryName(Program& program) {
    const DiscInfo& disc = program.disc;
    Files& files = program.files();
    std::string name = disc.folderName;
    if (HoldsAnotherDisc(files, FolderListing::OfCurrentFolder(files).Names(), disc.fileName, disc.cueFile)) {
        name = disc.cueFile.empty() ? disc.fileName : disc.cueFile;
        name = name.substr(0, name.rfind('.'));
    }
    std::replace(name.begin(), name.end(), '_', ' ');
    return name;
}

}  // namespace

// The loader splits entries at "#" and lines at CR (a byte 1A ends the whole file), so a name
// holding one of them would break its own line or every line after it.
bool FitsInEntry(const std::string& name) {
    if (Trim(name).empty()) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '#' || c == '\r' || c == '\n' || c == '\x1A' || c == '\0';
    });
}

BuiltDatabase BuildDatabase(Program& program, const std::string& folder) {
    Files& files = program.files();
    std::vector<std::string> problems;
    std::vector<DatabaseEntry> entries;

    const int16_t quiet = program.quietAnalysis;
    program.quietAnalysis = 1;
    SheetAudioTracks audioTracks(files);
    for (const std::string& image : ListedImages(files, folder)) {
        if (audioTracks.IsAudioTrack(image)) continue;
        program.disc.imagePath = image;
        if (!AnalyseImageAccepted(program)) {
            problems.push_back(image + ": " + LastLine(program.pane.Text()));
            continue;
        }
        const std::string name = EntryName(program);
        if (!FitsInEntry(name)) {
            problems.push_back(image + ": the folder name can't be a database name.");
            continue;
        }
        entries.push_back({name, HexForm(program.disc.crc32), image, program.disc.audioTracks});
    }
    program.quietAnalysis = quiet;
    files.SetCurrentDirectory(folder);
    return DatabaseFromEntries(std::move(entries), std::move(problems));
}

BuiltDatabase DatabaseFromEntries(std::vector<DatabaseEntry> entries, std::vector<std::string> problems) {
    BuiltDatabase result;
    result.problems = std::move(problems);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const DatabaseEntry& a, const DatabaseEntry& b) { return NameLess(a.name, b.name); });
    // The program matches by checksum alone and takes the first entry, so a second one would never
    // be found.
    std::map<std::string, const DatabaseEntry*> byChecksum;
    result.text = "1\r\n";
    for (const DatabaseEntry& entry : entries) {
        auto [first, isNew] = byChecksum.emplace(entry.checksum, &entry);
        if (!isNew) {
            result.problems.push_back(entry.path + ": the checksum " + entry.checksum +
                                      " is listed already, for " + first->second->path + ".");
            continue;
        }
        result.text += entry.name + "#" + entry.checksum + "#" + PlainNumber(entry.tracks) + "\r\n";
        ++result.entries;
    }
    if (result.entries > HEADER_DATABASE_SLOTS)
        result.problems.push_back(PlainNumber(result.entries) + " entries: the program reads the first " +
                                  PlainNumber(HEADER_DATABASE_SLOTS) + " only.");
    return result;
}

}  // namespace cartovex
