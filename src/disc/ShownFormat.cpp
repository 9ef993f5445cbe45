#include "disc/ShownFormat.h"

namespace cartovex {

std::string ShownImageFormat(const DiscInfo& disc, const FolderListing& folder) {
    return disc.contents ? disc.contents->format : DetectImageFormat(folder);
}

std::string ShownImageFormat(Program& program) {
    return program.disc.contents ? program.disc.contents->format : DetectImageFormat(program.files());
}

void CountShownAudioTracks(Program& program, const FolderListing& folder) {
    if (program.disc.contents)
        program.disc.audioTracks = program.disc.contents->audioTracks;
    else
        CountAudioTracks(program, folder);
}

}  // namespace cartovex
