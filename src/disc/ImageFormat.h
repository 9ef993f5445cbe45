// The arrangement of an image's folder: which data track comes with which companions (audio tracks
// or a CUE sheet), named by a short text such as "BIN+MP3", and the number of audio tracks.
//
// Only extensions count, and the whole folder counts: the companions need not share the data
// track's name. One analysis asks the format question several times, so it lists the folder once
// into a FolderListing and answers every question from that.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FolderNames.h"
#include "state/Program.h"

namespace cartovex {

class Files;

/// The ordinary files of one folder, as one listing of the current folder saw them.
class FolderListing {
public:
    /// Lists the current folder.
    static FolderListing OfCurrentFolder(const Files& files);
    explicit FolderListing(std::vector<std::string> names)
        : names_(std::make_shared<const FolderNames>(std::move(names))) {}
    explicit FolderListing(std::shared_ptr<const FolderNames> names) : names_(std::move(names)) {}

    bool AnyMatches(std::string_view pattern) const { return names_->AnyMatches(pattern); }
    int CountMatching(std::string_view pattern) const { return names_->CountMatching(pattern); }
    /// The first name (in listing order) that matches, or empty.
    std::string FirstMatching(std::string_view pattern) const { return names_->FirstMatching(pattern); }
    const FolderNames& Names() const { return *names_; }

private:
    std::shared_ptr<const FolderNames> names_;
};

/// "BIN+MP3", "BIN+WAV", "BIN+CUE", "ISO+WAV", "ISO+MP3", "RAW+MP3", "RAW+WAV" or empty; where a
/// folder has no MP3 or WAV tracks, "BIN+OGG", "ISO+OGG", "RAW+OGG" (else the same with FLAC).
std::string DetectImageFormat(const FolderListing& folder);
/// The same for the current folder, listed afresh.
std::string DetectImageFormat(const Files& files);

/// True for the audio companion kinds (".mp3", ".wav", ".ogg", ".flac" in any case).
bool IsAudioFileName(std::string_view name);

/// The kind of audio companion processing renames, without its dot: "mp3" when the folder has MP3
/// files, else "wav", else "ogg", else "flac"; empty when it has none.
std::string CompanionExtension(const FolderNames& folder);

/// Sets `audioTracks`: the companion files of the format, or the AUDIO lines of the CUE sheet
/// `cueFile` (the image's own) for a BIN+CUE image. The CUE sheet is read from the current folder.
void CountAudioTracks(Program& program, const FolderListing& folder);
void CountAudioTracks(Program& program);

/// The number of lines of a CUE sheet that contain "AUDIO".
int CountCueAudioLines(std::string_view sheet);

}  // namespace cartovex
