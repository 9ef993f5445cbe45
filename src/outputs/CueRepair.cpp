#include "outputs/CueRepair.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "outputs/Playlist.h"
#include "outputs/SheetUpdate.h"

namespace cartovex {

namespace {

// A real sheet is a few kilobytes; anything past this is not one, and must not be cut and saved.
constexpr uint64_t CUE_SHEET_LIMIT = 16u << 20;

// After the new sheet is written, the old one is a separate file only when the folder lists both
// spellings: a case-insensitive file system has just written the new content into the old file.
bool IsSeparateFile(const Files& files, const std::string& oldName, const std::string& newName) {
    if (oldName == newName) return false;
    if (!EqualsIgnoringAsciiCase(oldName, newName)) return true;
    const auto names = files.ListCurrentFolder(oldName);
    return std::find(names.begin(), names.end(), oldName) != names.end() &&
           std::find(names.begin(), names.end(), newName) != names.end();
}

}  // namespace

std::string RepairedCueSheetText(std::string_view sheet, const std::vector<RenameStep>& renames) {
    return RewriteCueSheet(sheet,
                           [&renames](const CueFileLine& line) { return NewNameOf(renames, line.name); });
}

bool RepairCueSheet(Program& program, bool* longLine) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    OutputPane& pane = program.pane;
    // An .img's sheet is its own as a BIN's is: it names the one file the disc is in.
    const bool imgWithSheet = disc.extension == "img" && !disc.cueFile.empty();
    if (!imgWithSheet && DetectImageFormat(files) != "BIN+CUE") return true;

    const auto length = disc.cueFile.empty() ? std::nullopt : files.FileLength(disc.cueFile);
    if (!length || *length == 0) {
        pane.AppendLine("Could not find a concording CUE sheet to this BIN.");
        return true;
    }
    if (*length > CUE_SHEET_LIMIT) {
        pane.AppendLine("CUE sheet could not be repaired.");
        return false;
    }
    const auto sheet = files.ReadFile(disc.cueFile, CUE_SHEET_LIMIT);
    if (!sheet) {
        pane.AppendLine("Could not find a concording CUE sheet to this BIN.");
        return true;
    }
    // A sheet that changed under us while it was read is not saved half.
    if (sheet->size() != *length) {
        pane.AppendLine("CUE sheet could not be repaired.");
        return false;
    }

    // Each FILE line names its own file as the folder now spells it; the data track's line, when
    // it still carries a name that is gone, names the image by the name processing just gave it.
    const FolderListing folder = FolderListing::OfCurrentFolder(files);
    const auto lines = ReadCueFileLines(*sheet);
    const std::string dataLine = lines.empty() ? std::string() : lines.front().name;
    const std::string text = RewriteCueSheet(
        *sheet,
        [&](const CueFileLine& line) -> std::optional<std::string> {
            if (auto file = FileInFolder(folder.Names(), line.name)) return file;
            if (EqualsIgnoringAsciiCase(line.name, dataLine)) return disc.fileName;
            return std::nullopt;
        },
        longLine);
    const std::string newName = disc.displayName + ".cue";
    if (!files.WriteFile(newName, text)) {
        pane.AppendLine("CUE sheet could not be repaired.");
        return false;
    }
    // Playlists naming the old sheet name the new one before the old one goes, so at every moment
    // each of their lines names a sheet that is there. One that can't be updated keeps the old sheet.
    const bool playlistsFollow =
        disc.cueFile == newName ||
        WriteSheetUpdates(program, PlanPlaylistUpdates(files, {{disc.cueFile, newName}}, nullptr));
    if (!playlistsFollow) {
        pane.AppendLine("CUE sheet " + disc.cueFile + " kept: a playlist still names it.");
        disc.cueFile = newName;
        return false;
    }
    if (IsSeparateFile(files, disc.cueFile, newName)) files.DeleteFile(disc.cueFile);
    disc.cueFile = newName;
    pane.AppendLine("Fixing of BIN/CUE cue sheet finished.");
    return true;
}

}  // namespace cartovex
