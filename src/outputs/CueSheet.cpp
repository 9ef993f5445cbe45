#include "outputs/CueSheet.h"

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "disc/containers/ContainerKinds.h"
#include "outputs/RenamePlan.h"

namespace cartovex {

namespace {

constexpr int COOKED_SECTOR = 2048;
constexpr int RAW_SECTOR = 2352;

}  // namespace

std::optional<int> SectorSizeForLength(uint64_t length) {
    // A length that fits both (every multiple of 301,056 bytes, and 0) is taken for raw sectors.
    if (length % RAW_SECTOR == 0) return RAW_SECTOR;
    if (length % COOKED_SECTOR == 0) return COOKED_SECTOR;
    return std::nullopt;
}

// MP3 has a type of its own; WAV tracks are WAVE, and so are OGG and FLAC: the type names how the
// audio is framed, and emulators read any decodable audio file given as WAVE.
std::string CueFileType(std::string_view audioFile) {
    return EndsWithIgnoringAsciiCase(audioFile, ".mp3") ? "MP3" : "WAVE";
}

std::string CueSheetText(std::string_view dataFile, int sectorSize,
                         const std::vector<std::string>& audioFiles) {
    std::string text;
    auto line = [&text](std::string_view content) {
        text += content;
        text += "\r\n";
    };
    line("FILE \"" + std::string(dataFile) + "\" BINARY");
    line("  TRACK 01 MODE1/" + PlainNumber(sectorSize));
    line("    INDEX 01 00:00:00");
    int track = 2;
    for (const std::string& name : audioFiles) {
        line("FILE \"" + name + "\" " + CueFileType(name));
        line("  TRACK " + AtLeastTwoDigits(track) + " AUDIO");
        // Only the first audio track follows the data track, which needs the two-second gap.
        if (track == 2) line("    PREGAP 00:02:00");
        line("    INDEX 01 00:00:00");
        ++track;
    }
    return text;
}

bool GenerateCueSheet(Program& program, bool* longLine) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    // An archive or a CHD is no data track a sheet could name.
    if (IsContainer(disc.extension)) return true;

    // The current folder is the image's already; folderPath may name it under its old name.
    const auto length = files.FileLength(disc.fileName);
    if (!length) {
        program.pane.AppendLine("CUE sheet could not be written.");
        return false;
    }
    const auto sectorSize = SectorSizeForLength(*length);
    if (!sectorSize) {
        program.pane.AppendLine("CUE sheet CAN'T be generated the sector size of the image is invalid.");
        return false;
    }
    const FolderListing folder = FolderListing::OfCurrentFolder(files);
    const std::string kind = CompanionExtension(folder.Names());
    const std::string text =
        CueSheetText(disc.displayName + "." + disc.extension, *sectorSize,
                     kind.empty() ? std::vector<std::string>{} : folder.Names().Matching("*." + kind));
    const bool written = files.WriteFile(disc.displayName + ".CUE", text);
    if (written && longLine && HasLongFileLine(text)) *longLine = true;
    program.pane.AppendLine(written ? "CUE sheet generated." : "CUE sheet could not be written.");
    return written;
}

}  // namespace cartovex
