#include "disc/ImageFormat.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "platform/Files.h"

namespace cartovex {

FolderListing FolderListing::OfCurrentFolder(const Files& files) {
    return FolderListing(files.CurrentFolderNames());
}

// Every test is made and a later one overrides an earlier one, so a folder holding several
// arrangements gets the last that applies: RAW before ISO before BIN, and within BIN a CUE sheet
// before WAV before MP3. OGG and FLAC tracks count only where there are no MP3 or WAV tracks, so
// the folders that have those keep the formats they always had.
std::string DetectImageFormat(const FolderListing& folder) {
    const bool mp3 = folder.AnyMatches("*.mp3");
    const bool wav = folder.AnyMatches("*.wav");
    const std::string modern = mp3 || wav                    ? std::string()
                               : folder.AnyMatches("*.ogg")  ? "OGG"
                               : folder.AnyMatches("*.flac") ? "FLAC"
                                                             : "";
    std::string format;
    auto apply = [&](const char* data, bool mp3Wins) {
        if (!mp3Wins && mp3) format = std::string(data) + "+MP3";
        if (wav) format = std::string(data) + "+WAV";
        if (mp3Wins && mp3) format = std::string(data) + "+MP3";
        if (!modern.empty()) format = std::string(data) + "+" + modern;
    };
    if (folder.AnyMatches("*.bin")) {
        apply("BIN", false);
        if (folder.AnyMatches("*.cue")) format = "BIN+CUE";
    }
    if (folder.AnyMatches("*.iso")) apply("ISO", true);
    if (folder.AnyMatches("*.raw")) {
        // For RAW, WAV wins over MP3 as for BIN.
        apply("RAW", false);
    }
    return format;
}

bool IsAudioFileName(std::string_view name) {
    for (std::string_view extension : {".mp3", ".wav", ".ogg", ".flac"})
        if (EndsWithIgnoringAsciiCase(name, extension)) return true;
    return false;
}

std::string CompanionExtension(const FolderNames& folder) {
    for (const char* extension : {"mp3", "wav", "ogg", "flac"})
        if (folder.AnyMatches(std::string("*.") + extension)) return extension;
    return {};
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
    if (format == "BIN+CUE") {
        if (!disc.cueFile.empty())
            if (auto sheet = program.files().ReadFile(disc.cueFile, CUE_SHEET_READ_LIMIT))
                count = CountCueAudioLines(*sheet);
    } else if (const size_t plus = format.find('+'); plus != std::string::npos) {
        count = folder.CountMatching("*." + AsciiLower(format.substr(plus + 1)));
    }
    disc.audioTracks = SaturateInt16(count);
}

void CountAudioTracks(Program& program) {
    CountAudioTracks(program, FolderListing::OfCurrentFolder(program.files()));
}

}  // namespace cartovex
