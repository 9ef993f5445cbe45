// The playlist reader, the disc marker of a title, and the CloneCD control file reader. Playlists
// and control files come with downloaded dumps; titles come from a database fetched over HTTP.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"
#include "disc/ImgSet.h"
#include "outputs/Playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // Every entry is the very bytes it names, a plain name beside the playlist, in order.
    const PlaylistReading reading = ReadPlaylist(text, "Game.m3u");
    size_t after = 0;
    for (const PlaylistEntry& entry : reading.entries) {
        if (entry.start < after || entry.start >= entry.end || entry.end > text.size() ||
            text.substr(entry.start, entry.end - entry.start) != entry.name)
            __builtin_trap();
        if (entry.name.find_first_of("/\\:\r\n") != std::string::npos ||
            entry.name.size() > PLAYLIST_LINE_LIMIT)
            __builtin_trap();
        after = entry.end;
    }
    if (!reading.problem.empty() && !reading.entries.empty() && reading.problem != "it lists itself" &&
        reading.problem != "it names a file outside its folder" &&
        reading.problem.rfind("a line is longer", 0) != 0)
        __builtin_trap();

    // A marker is split off the end of the title; what is left is the title's start.
    if (const auto marker = SplitDiscMarker(text)) {
        if (marker->base.empty() || marker->base.size() >= text.size() || !text.starts_with(marker->base))
            __builtin_trap();
        if (marker->order < 0 || marker->order > 999) __builtin_trap();
    }

    if (CloneCdAudioTracks(text) > static_cast<int>(SplitAnyLineEnds(text).size())) __builtin_trap();
    IsCloneCdControl(text);
    return 0;
}
