// The analysis of one image in a flat folder of 500, 2,000 and 8,000 files (other images, audio
// tracks, text files): each analysis lists the folder once, so its time should grow with the
// folder's size and no faster. The baseline is one listing of the same folder.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "disc/Analysis.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Companions.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

constexpr int REPEATS = 40;

struct Figures {
    double listing, analysis;  // seconds per call
};

Figures Measure(int files) {
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder start, folder;
    PosixFiles posix;
    const HeaderBlock header = BenchHeader(0);
    posix.WriteFile(folder / "Target.iso", testkit::CookedImage(header, 1));
    const char* kinds[] = {".bin", ".mp3", ".txt", ".iso"};
    for (int i = 1; i < files; ++i)
        posix.WriteFile(folder / ("File " + PlainNumber(i) + kinds[i % 4]),
                        i % 4 == 1 ? testkit::Mp3Track(i) : std::string("x"));

    std::filesystem::current_path(start.Path());
    testkit::TestProgram test;
    Program& program = test.program;
    program.database.entries[static_cast<size_t>(program.database.count++)] = EntryFor("Target", header, 0);
    const std::string image = folder / "Target.iso";

    Figures figures{};
    std::filesystem::current_path(folder.Path());
    figures.listing = Timed([&] {
                          for (int i = 0; i < REPEATS; ++i) (void)posix.ListCurrentFolder("*");
                      }) /
                      REPEATS;
    figures.analysis = Timed([&] {
                           for (int i = 0; i < REPEATS; ++i) {
                               program.pane.ClearPane();
                               program.disc.imagePath = image;
                               AnalyseImage(program);
                           }
                       }) /
                       REPEATS;
    if (program.disc.matchIndex == NONE_VALUE) std::fprintf(stderr, "the target was not identified\n");
    return figures;
}

}  // namespace

int main() {
    const std::vector<int> sizes = {500, 2000, 8000};
    std::vector<Figures> results;
    for (int size : sizes) results.push_back(Measure(size));
    std::printf("Analysis of one image in a flat folder:\n");
    for (size_t i = 0; i < sizes.size(); ++i) {
        const std::string n = PlainNumber(sizes[i]) + " files";
        Figure("one listing of the folder (baseline), " + n, results[i].listing * 1e3, "ms");
        Figure("analysis, " + n, results[i].analysis * 1e3, "ms");
        Figure("analysis / listing, " + n, results[i].analysis / results[i].listing, "");
    }
    // The listing is the file system's part and grows a little faster than the folder (its names are
    // sorted); the analysis must grow no faster than the listing does.
    for (size_t i = 1; i < sizes.size(); ++i) {
        const std::string step = PlainNumber(sizes[i]) + " / " + PlainNumber(sizes[i - 1]) + " files";
        const double analysis = results[i].analysis / results[i - 1].analysis;
        const double listing = results[i].listing / results[i - 1].listing;
        Figure("analysis " + step, analysis, "");
        Figure("listing " + step, listing, "");
        Ratio("analysis growth / listing growth, " + step, analysis / listing, 1.1);
    }
    return 0;
}
