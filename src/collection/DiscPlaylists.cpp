#include "collection/DiscPlaylists.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/containers/ContainerKinds.h"
#include "outputs/Playlist.h"
#include "outputs/TitleCheck.h"

namespace cartovex {

namespace {

// What an emulator opens for the disc: the sheet naming its files, else the image itself (a CHD).
std::string EntryOf(Program& program) {
    const DiscInfo& disc = program.disc;
    Files& files = program.files();
    if (!disc.cueFile.empty() && files.IsRegularFile(disc.cueFile)) return disc.cueFile;
    const std::string generated = disc.displayName + ".CUE";
    if (!IsContainer(disc.extension) && files.IsRegularFile(generated)) return generated;
    return disc.fileName;
}

// A playlist of the folder lists one of the discs already: the user keeps the game's playlist under
// a name of their own, and a second one would show the game twice.
bool Listed(const Files& files, const std::string& folder, const std::vector<std::string>& names,
            const std::vector<std::string>& entries) {
    for (const std::string& name : names) {
        if (!EndsWithIgnoringAsciiCase(name, ".m3u")) continue;
        const auto text = files.ReadFile(files.Join(folder, name), PLAYLIST_SIZE_LIMIT);
        if (!text) continue;
        for (const PlaylistEntry& line : ReadPlaylist(*text, name).entries)
            for (const std::string& entry : entries)
                if (EqualsIgnoringAsciiCase(line.name, entry)) return true;
    }
    return false;
}

}  // namespace

void DiscPlaylists::Add(Program& program) {
    const auto marker = SplitDiscMarker(program.disc.displayName);
    if (!marker) return;
    games_[{program.files().CurrentDirectory(), marker->base}].push_back(
        {marker->letter, marker->order, EntryOf(program), program.disc.fileName});
}

bool DiscPlaylists::Write(Program& program) const {
    Files& files = program.files();
    bool all = true;
    for (const auto& [place, noted] : games_) {
        const auto& [folder, base] = place;
        if (noted.size() < 2 || !IsUsableTitle(base)) continue;
        std::vector<Disc> discs = noted;
        std::sort(discs.begin(), discs.end(), [](const Disc& a, const Disc& b) { return a.order < b.order; });
        // Numbers beside letters, or one disc twice (a second copy): which disc is which is unclear.
        bool clear = true;
        for (size_t i = 1; i < discs.size(); ++i)
            clear = clear && discs[i].letter == discs[0].letter && discs[i].order != discs[i - 1].order;
        if (!clear) continue;
        const std::string name = base + ".m3u";
        const auto present = files.ListTopLevel(folder);
        std::vector<std::string> lines, discFiles;
        for (const Disc& disc : discs) {
            lines.push_back(disc.entry);
            discFiles.insert(discFiles.end(), {disc.entry, disc.image});
        }
        if (std::any_of(present.begin(), present.end(),
                        [&name](const std::string& entry) { return EqualsIgnoringAsciiCase(entry, name); }) ||
            Listed(files, folder, present, discFiles))
            continue;
        if (files.WriteFile(files.Join(folder, name), PlaylistText(lines))) {
            program.pane.AppendLine("Playlist generated: " + name);
        } else {
            program.pane.AppendLine("Playlist " + name + " could not be written.");
            all = false;
        }
    }
    return all;
}

}  // namespace cartovex
