#include "outputs/Playlist.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/Files.h"

namespace cartovex {

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Text has no control bytes but tab and the line ends; UTF-8 names pass.
bool IsTextByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 || c == '\t' || c == '\r' || c == '\n';
}

// A name beside the playlist: no folder in it, no drive, not "." or "..".
bool IsBesideIt(std::string_view name) {
    return name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

std::string LeftAlone(const std::string& playlist, const std::string& why) {
    return "Playlist " + playlist + " left as it is: " + why + ".";
}

bool EndsWithMarker(std::string_view title, std::string_view marker) {
    if (title.size() < marker.size()) return false;
    const std::string_view tail = title.substr(title.size() - marker.size());
    for (size_t i = 0; i < marker.size(); ++i) {
        const bool blank = marker[i] == ' ' && (tail[i] == ' ' || tail[i] == '_');
        if (!blank && tail[i] != marker[i]) return false;
    }
    return true;
}

}  // namespace

PlaylistReading ReadPlaylist(std::string_view text, std::string_view ownName) {
    PlaylistReading reading;
    if (!std::all_of(text.begin(), text.end(), IsTextByte)) {
        reading.problem = "it holds bytes that are no text";
        return reading;
    }
    size_t start = text.starts_with(UTF8_BOM) ? UTF8_BOM.size() : 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (end - start > PLAYLIST_LINE_LIMIT) {
            reading.problem = "a line is longer than " + PlainNumber(PLAYLIST_LINE_LIMIT) + " characters";
            return reading;
        }
        size_t first = start, last = end;
        while (first < last && IsBlank(text[first])) ++first;
        while (last > first && IsBlank(text[last - 1])) --last;
        if (first < last && text[first] != '#') {
            const std::string name(text.substr(first, last - first));
            if (!IsBesideIt(name)) {
                reading.problem = "it names a file outside its folder";
                return reading;
            }
            if (EqualsIgnoringAsciiCase(name, ownName)) {
                reading.problem = "it lists itself";
                return reading;
            }
            reading.entries.push_back({name, first, last});
        }
        start = end + 1;
        if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return reading;
}

std::vector<SheetUpdate> PlanPlaylistUpdates(const Files& files, const std::vector<RenameStep>& renames,
                                             std::vector<std::string>* notes) {
    std::vector<SheetUpdate> updates;
    if (renames.empty()) return updates;
    auto note = [notes](const std::string& line) {
        if (notes) notes->push_back(line);
    };
    for (const std::string& playlist : files.ListCurrentFolder("*.m3u")) {
        const auto length = files.FileLength(playlist);
        if (length && *length > PLAYLIST_SIZE_LIMIT) {
            note(LeftAlone(playlist, "it is larger than 1 MiB"));
            continue;
        }
        const auto text = files.ReadFile(playlist, PLAYLIST_SIZE_LIMIT + 1);
        if (!text || text->size() > PLAYLIST_SIZE_LIMIT) {
            note(LeftAlone(playlist, text ? "it is larger than 1 MiB" : "it could not be read"));
            continue;
        }
        const PlaylistReading reading = ReadPlaylist(*text, playlist);
        if (!reading.problem.empty()) {
            note(LeftAlone(playlist, reading.problem));
            continue;
        }
        std::string content;
        size_t copied = 0;
        for (const PlaylistEntry& entry : reading.entries) {
            const auto name = NewNameOf(renames, entry.name);
            if (!name || *name == entry.name) continue;
            content.append(*text, copied, entry.start - copied);
            content += *name;
            copied = entry.end;
        }
        if (copied == 0) continue;
        content.append(*text, copied);
        updates.emplace_back(playlist, std::move(content));
    }
    return updates;
}

std::string PlaylistText(const std::vector<std::string>& entries) {
    std::string text;
    for (const std::string& entry : entries) text += entry + "\r\n";
    return text;
}

std::optional<DiscMarker> SplitDiscMarker(std::string_view title) {
    // The analysis's own markers come after the database's title.
    for (bool again = true; again;) {
        again = false;
        for (std::string_view marker : {"(DUPE)", "(MISSING AUDIO TRACKS)"}) {
            if (!EndsWithMarker(title, marker)) continue;
            title.remove_suffix(marker.size());
            again = true;
        }
    }
    // "(Disc" + separator + one to three digits or one capital letter + ")", after a separator.
    if (!title.ends_with(')')) return std::nullopt;
    const size_t open = title.rfind('(');
    if (open == std::string_view::npos || open < 2) return std::nullopt;
    const std::string_view marker = title.substr(open + 1, title.size() - open - 2);
    if (marker.size() < 6 || marker.substr(0, 4) != "Disc") return std::nullopt;
    const char separator = title[open - 1];
    if ((separator != ' ' && separator != '_') || marker[4] != separator) return std::nullopt;
    const std::string_view value = marker.substr(5);
    DiscMarker result;
    if (value.size() == 1 && value[0] >= 'A' && value[0] <= 'Z') {
        result.letter = true;
        result.order = value[0] - 'A' + 1;
    } else if (value.size() <= 3 &&
               std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        result.order = static_cast<int>(ReadNumber(value));
    } else {
        return std::nullopt;
    }
    const std::string_view base = title.substr(0, open - 1);
    if (base.empty() || IsBlank(base.back()) || base.back() == '_') return std::nullopt;
    result.base = std::string(base);
    return result;
}

}  // namespace cartovex
