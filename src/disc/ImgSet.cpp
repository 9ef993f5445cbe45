#include "disc/ImgSet.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/containers/ContainerKinds.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"

namespace cartovex {

namespace {

// A control file is a few kilobytes of text; a bigger file of that name is something else.
constexpr size_t CONTROL_FILE_LIMIT = 1u << 20;

std::string StemOf(std::string_view name) {
    const size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string PathIn(const Files& files, const std::string& folder, const std::string& name) {
    return folder.empty() ? name : files.Join(folder, name);
}

// The folder's one spelling of `name`, ASCII case ignored; empty when none or ambiguous.
std::string Spelled(const FolderNames& names, const std::string& name) {
    return FileInFolder(names, name).value_or(std::string());
}

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

}  // namespace

bool IsImgName(std::string_view name) {
    return EndsWithIgnoringAsciiCase(name, ".img");
}

bool IsCloneCdControl(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const std::string_view first = Trimmed(text.substr(0, text.find_first_of("\r\n")));
    return EqualsIgnoringAsciiCase(first, "[CloneCD]");
}

int CloneCdAudioTracks(std::string_view text) {
    int audio = 0;
    bool inTrack = false;
    for (const std::string& raw : SplitAnyLineEnds(text)) {
        const std::string_view line = Trimmed(raw);
        if (line.starts_with('[')) {
            inTrack = line.size() > 7 && EqualsIgnoringAsciiCase(line.substr(0, 7), "[TRACK ");
            continue;
        }
        if (!inTrack) continue;
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        if (EqualsIgnoringAsciiCase(Trimmed(line.substr(0, equals)), "MODE") &&
            Trimmed(line.substr(equals + 1)) == "0")
            ++audio;
    }
    return audio;
}

ImgSet FindImgSet(const Files& files, const std::string& folder, const FolderNames& names,
                  std::string_view imgName) {
    ImgSet set;
    for (const std::string& sheet : names.Matching("*.cue")) {
        const auto text = files.ReadFile(PathIn(files, folder, sheet), CUE_SHEET_READ_LIMIT);
        if (!text || text->size() >= CUE_SHEET_READ_LIMIT) continue;
        const auto lines = ReadCueFileLines(*text);
        set.inSheet = std::any_of(lines.begin(), lines.end(), [&](const CueFileLine& line) {
            return line.track == 1 && EqualsIgnoringAsciiCase(line.name, imgName);
        });
        if (set.inSheet) break;
    }
    const std::string stem = StemOf(imgName);
    const std::string control = Spelled(names, stem + ".ccd");
    if (control.empty()) return set;
    const auto text = files.ReadFile(PathIn(files, folder, control), CONTROL_FILE_LIMIT);
    if (!text || text->size() >= CONTROL_FILE_LIMIT || !IsCloneCdControl(*text)) return set;
    set.controlFile = control;
    set.subchannelFile = Spelled(names, stem + ".sub");
    set.audioTracks = SaturateInt16(CloneCdAudioTracks(*text));
    return set;
}

bool IsListedImage(const Files& files, const std::string& path) {
    if (!IsImgName(path)) return true;
    const size_t cut = path.rfind(files.Separator());
    if (cut == std::string::npos) return false;
    std::string folder = path.substr(0, cut);
    if (folder.empty() || folder.back() == ':') folder += files.Separator();
    // Only sheets and control files say anything; the rest of a big folder is not looked at.
    std::vector<std::string> entries;
    for (const std::string& name : files.ListTopLevel(folder)) {
        const bool telling = EndsWithIgnoringAsciiCase(name, ".cue") ||
                             EndsWithIgnoringAsciiCase(name, ".ccd") ||
                             EndsWithIgnoringAsciiCase(name, ".sub");
        if (telling && files.IsRegularFile(files.Join(folder, name))) entries.push_back(name);
    }
    return FindImgSet(files, folder, FolderNames(std::move(entries)), path.substr(cut + 1)).IsDiscImage();
}

std::vector<std::string> ListedImages(const Files& files, const std::string& folder,
                                      ListingFailures* failures) {
    std::vector<std::string> images = files.ListFilesRecursive(folder, ImageFileExtensions(), failures);
    std::erase_if(images, [&files](const std::string& image) { return !IsListedImage(files, image); });
    return images;
}

}  // namespace cartovex
