#include "verify/DiscsOnDisk.h"

#include <set>

#include "collection/SheetAudioTracks.h"
#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/containers/ContainerKinds.h"
#include "platform/FolderNames.h"

namespace cartovex {

namespace {

std::string Extension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : AsciiLower(path.substr(dot + 1));
}

DiscOnDisk::Kind KindOf(const std::string& path) {
    const std::string extension = Extension(path);
    if (extension == "chd") return DiscOnDisk::Kind::CHD;
    if (extension == "zip" || extension == "7z" || extension == "rar") return DiscOnDisk::Kind::ARCHIVE;
    return DiscOnDisk::Kind::FILES;
}

// The disc an image is: its sheet's files when it has a sheet, else itself. The current directory is
// the image's folder.
DiscOnDisk DiscOf(Files& files, const std::string& folder, const std::string& image) {
    DiscOnDisk disc;
    disc.kind = KindOf(image);
    disc.path = image;
    if (disc.kind != DiscOnDisk::Kind::FILES) return disc;
    const std::string name = image.substr(image.rfind(files.Separator()) + 1);
    const auto listing = files.CurrentFolderNames();
    disc.sheet = FindImageSheet(files, *listing, name);
    std::optional<std::vector<CueFileLine>> lines;
    if (!disc.sheet.empty()) lines = ReadSheetFiles(files, disc.sheet);
    if (lines) {
        for (const CueFileLine& line : *lines) {
            // A file the sheet names that isn't in the folder is a missing track, found so by the match.
            if (auto found = FileInFolder(*listing, line.name))
                disc.files.push_back(files.Join(folder, *found));
        }
    }
    // A sheet that names other files and not the image (one left naming old names) still makes the
    // image a disc: the image is its first file then.
    bool hasImage = false;
    for (const std::string& file : disc.files) hasImage = hasImage || file == image;
    if (!hasImage) disc.files.insert(disc.files.begin(), image);
    return disc;
}

std::string FolderOf(const std::string& path, char separator) {
    const size_t cut = path.rfind(separator);
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

std::vector<DiscOnDisk> FindDiscs(Files& files, const std::string& path, ListingFailures* failures) {
    const std::string start = files.CurrentDirectory();
    std::vector<std::string> images;
    const bool folderGiven = files.IsDirectory(path);
    if (folderGiven)
        images = files.ListFilesRecursive(path, ImageFileExtensions(), failures);
    else
        images.push_back(path);

    std::vector<DiscOnDisk> discs;
    std::set<std::string> taken;  // files already part of a disc found earlier
    SheetAudioTracks audioTracks(files);
    for (const std::string& image : images) {
        if (taken.count(image) || (folderGiven && audioTracks.IsAudioTrack(image))) continue;
        const std::string folder = FolderOf(image, files.Separator());
        if (!folder.empty() && !files.SetCurrentDirectory(folder)) {
            // Gone since the listing: the disc is reported unreadable by the hashing.
            discs.push_back({KindOf(image), image, {image}, {}});
            continue;
        }
        DiscOnDisk disc = DiscOf(files, folder, image);
        for (const std::string& file : disc.files) taken.insert(file);
        discs.push_back(std::move(disc));
    }
    files.SetCurrentDirectory(start);
    return discs;
}

}  // namespace cartovex
