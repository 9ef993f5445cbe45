// Which listed files are a disc's audio tracks rather than discs of their own. A multi-track set
// keeps its audio as .bin files beside the data track; a walk over a collection lists them with
// the images, and each would be turned away as "not a Sega CD image". A .bin that a sheet of its
// folder names under an AUDIO track is the disc's audio, and is passed over without a word.
#pragma once

#include <map>
#include <set>
#include <string>

namespace cartovex {

class Files;

class SheetAudioTracks {
public:
    explicit SheetAudioTracks(const Files& files) : files_(files) {}

    /// True when `path` is a .bin file that a "*.cue" of its folder names under an AUDIO track.
    bool IsAudioTrack(const std::string& path);
    /// Reads the folder's sheets afresh at the next question (a run has just rewritten them).
    void Forget(const std::string& folder) { byFolder_.erase(folder); }

private:
    const std::set<std::string>& AudioNames(const std::string& folder);

    const Files& files_;
    std::map<std::string, std::set<std::string>> byFolder_;  // folder -> lower-cased file names
};

}  // namespace cartovex
