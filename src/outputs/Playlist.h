// Playlists: the ".m3u" files emulator front-ends open to change the discs of a multi-disc game.
// One is a list of the game's sheets (or images), one relative path a line, "#" lines being comments
// and directives. A playlist is a sheet of sheets: when processing renames or replaces a file it
// names, the line follows, and nothing else of the user's file changes.
//
// Playlists come from outside like sheets do, so one that doesn't look like a plain list of names
// beside it (too big, binary bytes, endless lines, paths leading elsewhere, naming itself) is left
// as it was, with one line saying why.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outputs/RenamePlan.h"
#include "outputs/SheetUpdate.h"

namespace cartovex {

class Files;

/// A playlist is a few hundred bytes; anything past this is none of ours to rewrite.
inline constexpr size_t PLAYLIST_SIZE_LIMIT = 1u << 20;
/// A line is a file name; a longer one is no name any file system holds.
inline constexpr size_t PLAYLIST_LINE_LIMIT = 4096;

struct PlaylistEntry {
    std::string name;  // the line without the blanks around it
    size_t start = 0;  // the name's bytes within the playlist
    size_t end = 0;
};

struct PlaylistReading {
    std::vector<PlaylistEntry> entries;
    /// Why the playlist is left alone ("it lists itself", ...); empty when it may be followed.
    std::string problem;
};

/// The entry lines of the playlist `text`, whose own file name is `ownName`. Lines may end in CR LF, a
/// lone LF or a lone CR; a UTF-8 byte-order mark in front is passed over; blank and "#" lines are no
/// entries.
PlaylistReading ReadPlaylist(std::string_view text, std::string_view ownName);

/// The new content of every "*.m3u" of the current folder that names a file `renames` moves (bare
/// names, compared without regard to ASCII case): only those names change. When given, `notes`
/// takes one pane line for each playlist that is left alone.
std::vector<SheetUpdate> PlanPlaylistUpdates(const Files& files, const std::vector<RenameStep>& renames,
                                             std::vector<std::string>* notes);

/// A generated playlist: each entry on a line of its own, ended by CR LF.
std::string PlaylistText(const std::vector<std::string>& entries);

/// The disc marker a title ends with: "(Disc 2)", "(Disc B)", with the title's separator ("_" or a
/// blank) in front of it and inside it.
struct DiscMarker {
    std::string base;  // the title without the marker and the separator before it
    bool letter = false;
    int order = 0;  // the disc's number, or its letter's place in the alphabet
};

/// The title's marker; nothing when it has none at its end, or nothing in front of it. The markers
/// the analysis appends ("(DUPE)", "(MISSING AUDIO TRACKS)") are passed over.
std::optional<DiscMarker> SplitDiscMarker(std::string_view title);

}  // namespace cartovex
