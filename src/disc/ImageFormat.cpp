#include "disc/ImageFormat.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/Files.h"

namespace cartovex {

namespace {
// A CUE sheet is a few kilobytes; a file that big with a .cue name is not one worth reading whole.
constexpr size_t CUE_SHEET_READ_LIMIT = 4u << 20;
}  // namespace

FolderListing FolderListing::OfCurrentFolder(const Files& files) {
    return FolderListing(files.CurrentFolderNames());
}

// Every test is made and a later one overrides an earlier one, so a folder holding several
// arrangements gets the last that applies: RAW before ISO before BIN, and within BIN a CUE sheet
// before WAV before MP3.
std::string DetectImageFormat(const FolderListing& folder) {
    std::string format;
    if (folder.AnyMatches("*.bin")) {
        if (folder.AnyMatches("*.mp3")) format = "BIN+MP3";
        if (folder.AnyMatches("*.wav")) format = "BIN+WAV";
        if (folder.AnyMatches("*.cue")) format = "BIN+CUE";
    }
    if (folder.AnyMatches("*.iso")) {
        if (folder.AnyMatches("*.wav")) format = "ISO+WAV";
        if (folder.AnyMatches("*.mp3")) format = "ISO+MP3";
    }
    if (folder.AnyMatches("*.raw")) {
        if (folder.AnyMatches("*.mp3")) format = "RAW+MP3";
        if (folder.AnyMatches("*.wav")) format = "RAW+WAV";
    }
    return format;
}

std::string DetectImageFormat(const Files& files) {
    return DetectImageFormat(FolderListing::OfCurrentFolder(files));
}

int CountCueAudioLines(std::string_view sheet) {
    const auto lines = SplitAnyLineEnds(sheet);
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [](const std::string& line) { return Contains(line, "AUDIO"); }));
}

void CountAudioTracks(Program& program, const FolderListing& folder) {
    DiscInfo& disc = program.disc;
    disc.audioTracks = 0;
    const std::string format = DetectImageFormat(folder);
    int count = 0;
    if (format == "ISO+MP3" || format == "BIN+MP3" || format == "RAW+MP3") {
        count = folder.CountMatching("*.mp3");
    } else if (format == "ISO+WAV" || format == "BIN+WAV" || format == "RAW+WAV") {
        count = folder.CountMatching("*.wav");
    } else if (format == "BIN+CUE" && !disc.cueFile.empty()) {
        if (auto sheet = program.files().ReadFile(disc.cueFile, CUE_SHEET_READ_LIMIT))
            count = CountCueAudioLines(*sheet);
    }
    disc.audioTracks = SaturateInt16(count);
}

void CountAudioTracks(Program& program) {
    CountAudioTracks(program, FolderListing::OfCurrentFolder(program.files()));
}

}  // namespace cartovex
