#include "disc/ShownFormat.h"

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImgSet.h"

namespace cartovex {

namespace {

// An .img carries the whole disc: its sheet, or its CloneCD control file, says what is on it.
std::string ImgFormat(const ImgSet& set) {
    return set.inSheet ? "IMG+CUE" : "IMG+CCD";
}

}  // namespace

std::string ShownImageFormat(const Files& files, const DiscInfo& disc, const FolderListing& folder) {
    if (disc.contents) return disc.contents->format;
    if (disc.extension == "img") {
        const ImgSet set = FindImgSet(files, {}, folder.Names(), disc.fileName);
        if (set.IsDiscImage()) return ImgFormat(set);
    }
    return DetectImageFormat(folder);
}

std::string ShownImageFormat(Program& program) {
    if (program.disc.contents) return program.disc.contents->format;
    return ShownImageFormat(program.files(), program.disc, FolderListing::OfCurrentFolder(program.files()));
}

void CountShownAudioTracks(Program& program, const FolderListing& folder) {
    DiscInfo& disc = program.disc;
    if (disc.contents) {
        disc.audioTracks = disc.contents->audioTracks;
        return;
    }
    if (disc.extension == "img") {
        const ImgSet set = FindImgSet(program.files(), {}, folder.Names(), disc.fileName);
        if (set.inSheet) {
            const auto sheet = disc.cueFile.empty()
                                   ? std::nullopt
                                   : program.files().ReadFile(disc.cueFile, CUE_SHEET_READ_LIMIT);
            disc.audioTracks = sheet ? SaturateInt16(CountCueAudioLines(*sheet)) : int16_t{0};
            return;
        }
        if (set.IsDiscImage()) {
            disc.audioTracks = set.audioTracks;
            return;
        }
    }
    CountAudioTracks(program, folder);
}

}  // namespace cartovex
