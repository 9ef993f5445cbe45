// Writes the demo data that the README's quick start runs on, and describes it.
#include <cstdio>
#include <string>

#include "platform/posix/PosixFiles.h"
#include "testkit/DemoCollection.h"

using namespace cartovex;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cartovex-makedemo OUTPUT-FOLDER\n");
        return 2;
    }
    PosixFiles files;
    const std::string folder = argv[1];
    if (!files.IsDirectory(folder)) {
        std::fprintf(stderr, "cartovex-makedemo: %s is not a folder\n", folder.c_str());
        return 1;
    }
    auto demo = testkit::WriteDemoCollection(files, folder);
    if (!demo) {
        std::fprintf(stderr, "cartovex-makedemo: could not write the demo collection into %s\n",
                     folder.c_str());
        return 1;
    }
    std::printf("Demo collection in %s (run Cartovex from this folder):\n", folder.c_str());
    std::printf("  DATA.KVX        %zu known discs\n", demo->databaseEntries.size());
    std::printf("  DEVELOPPER.KVX  %zu developers\n", demo->developers.size());
    std::printf("  KVX_HAVE.TXT    %zu disc(s) already owned\n", demo->haveList.size());
    for (const testkit::DemoDisc& disc : demo->discs)
        std::printf("  %-48s %-8s -> %s, %d audio track(s)\n", disc.imagePath.c_str(), disc.layout.c_str(),
                    disc.displayName.c_str(), disc.audioTracks);
    return 0;
}
