// The playlists a mass run writes for multi-disc games. A game kept as one folder holding its discs,
// "Title (Disc 1)", "Title (Disc 2)", ..., needs a playlist for an emulator to change discs: the run
// remembers each disc it processed whose title ends in a disc marker, and at its end writes
// "Title.m3u" wherever two or more discs of one folder share everything but the marker. A playlist
// of that name that is there already, or any playlist listing one of the discs, is the user's: it
// followed the renames, and is never replaced nor doubled.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "state/Program.h"

namespace cartovex {

class DiscPlaylists {
public:
    /// Takes note of the disc processing just finished, in the current folder, its own.
    void Add(Program& program);
    /// Writes every playlist the discs noted call for, with one pane line each. False when one
    /// could not be written.
    bool Write(Program& program) const;

private:
    struct Disc {
        bool letter;
        int order;
        std::string entry;  // the file the playlist names: its sheet, else its image
        std::string image;
    };
    std::map<std::pair<std::string, std::string>, std::vector<Disc>> games_;  // (folder, base) -> discs
};

}  // namespace cartovex
