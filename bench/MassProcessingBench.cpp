// Mass processing over generated collections, against a baseline that does the least any such run
// must: open each listed image, read its first 2 KB and rename it. Both run over identical copies
// of each collection in the same process, so the ratio says how much the analysis and processing
// add on top of the file system's own cost, and the two sizes say whether a run grows linearly.
//
// Two shapes: nested (ten discs to a group folder, each disc in its own folder with companions),
// and flat (every image side by side in one folder, the shape that used to grow with the square).
//
//   cartovex_bench_mass [SMALL LARGE]     (default 2000 8000)
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchCollection.h"
#include "BenchKit.h"
#include "collection/Collection.h"
#include "platform/posix/PosixFiles.h"
#include "state/MenuModel.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

const std::vector<std::string> IMAGE_EXTENSIONS = {"iso", "raw", "bin", "zip"};

double BaselinePerImage(Files& files, const std::string& root) {
    size_t images = 0, read = 0;
    const double seconds = Timed([&] {
        const std::vector<std::string> paths = files.ListFilesRecursive(root, IMAGE_EXTENSIONS);
        std::vector<uint8_t> buffer(2048);
        for (const std::string& path : paths) {
            if (auto n = files.ReadAt(path, 0, buffer)) read += *n;
            files.Rename(path, path + ".renamed");
        }
        images = paths.size();
    });
    if (read == 0) std::fprintf(stderr, "baseline read nothing\n");
    return seconds / static_cast<double>(std::max<size_t>(images, 1));
}

struct Run {
    double baseline, mass;  // seconds per image
};

// Every collection stays on disc until the last run is measured. On ext4 a new file skips past
// the inodes freed in the last half minute or so, one by one: deleting thousands of files between
// runs would charge each later run's writes for the benchmark's own clean-up.
using Kept = std::vector<std::unique_ptr<testkit::TempFolder>>;

Run MeasureRun(int count, Shape shape, Kept& kept) {
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder start;
    const testkit::TempFolder& baselineCopy = *kept.emplace_back(std::make_unique<testkit::TempFolder>());
    const testkit::TempFolder& massCopy = *kept.emplace_back(std::make_unique<testkit::TempFolder>());
    PosixFiles files;
    WriteCollection(files, baselineCopy.Path(), count, shape);
    const std::vector<std::string> entries = WriteCollection(files, massCopy.Path(), count, shape);

    std::filesystem::current_path(start.Path());
    testkit::TestProgram test;
    Program& program = test.program;
    for (const std::string& entry : entries)
        program.database.entries[static_cast<size_t>(program.database.count++)] = entry;
    test.window.SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED);
    test.window.SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED);

    // A user's collection sits on disc long before a run; these were written a moment ago, and
    // writing them back must not fall into the timed runs.
    sync();
    const double baseline = BaselinePerImage(files, baselineCopy.Path());
    test.dialogs.QueueFolder(massCopy.Path());
    const double mass = Timed([&] { MassProcess(program); }) / count;
    return {baseline, mass};
}

void Report(const char* shape, int small, int large, Kept& kept) {
    const Run a = MeasureRun(small, shape[0] == 'n' ? Shape::NESTED : Shape::FLAT, kept);
    const Run b = MeasureRun(large, shape[0] == 'n' ? Shape::NESTED : Shape::FLAT, kept);
    std::printf("Mass processing, %s collection (%d known to the database):\n", shape, HEADER_DATABASE_SLOTS);
    for (const auto& [count, run] : {std::pair{small, a}, std::pair{large, b}}) {
        Figure("baseline (open, read 2 KB, rename), " + PlainNumber(count) + " images", run.baseline * 1e6,
               "us/image");
        Figure("mass processing, " + PlainNumber(count) + " images", run.mass * 1e6, "us/image");
        Ratio("mass / baseline, " + PlainNumber(count) + " images", run.mass / run.baseline, 3.0);
    }
    Ratio("whole run " + PlainNumber(large) + " / whole run " + PlainNumber(small),
          b.mass * large / (a.mass * small), 4.4 * large / (4.0 * small));
}

}  // namespace

int main(int argc, char** argv) {
    const int small = argc > 2 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int large = argc > 2 ? std::max(small, std::atoi(argv[2])) : 8000;
    Kept kept;
    Report("nested", small, large, kept);
    Report("flat", small, large, kept);
    return 0;
}
