// Mass processing over a generated collection, against a baseline that does the least any such run
// must: open each listed image, read its first 2 KB and rename it. Both run over identical copies
// of the collection in the same process, so the ratio says how much the analysis and processing
// add on top of the file system's own cost.
//
//   cartovex_bench_mass [IMAGES]     (default 2000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/MenuModel.h"
#include "collection/Collection.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"
#include "testkit/ZipWriter.h"

using namespace cartovex;
using Stopwatch = std::chrono::steady_clock;

namespace {

const std::vector<std::string> IMAGE_EXTENSIONS = {"iso", "raw", "bin", "zip"};

// A collection of `count` discs, ten to a group folder, in every layout, a quarter of them with
// audio tracks; the first HEADER_DATABASE_SLOTS of them are in the database entries returned.
std::vector<std::string> WriteCollection(Files& files, const std::string& root, int count) {
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) {
        testkit::HeaderSpec fields;
        fields.localName = fields.worldName = "BENCH DISC " + PlainNumber(i);
        fields.salt = static_cast<uint32_t>(i + 1);
        const HeaderBlock header = testkit::BuildHeader(fields);
        const std::string title = "Bench Disc " + PlainNumber(10000 + i);
        const std::string folder = root + "/Group " + PlainNumber(i / 10) + "/DISC" + PlainNumber(i);
        std::filesystem::create_directories(folder);
        int tracks = 0;
        switch (i % 4) {
            case 0:
                files.WriteFile(folder + "/disc.iso", testkit::CookedImage(header, 1));
                tracks = static_cast<int>(testkit::WriteAudioTracks(files, folder, "disc", "mp3", 2).size());
                break;
            case 1:
                files.WriteFile(folder + "/disc.bin", testkit::RawImage(header, 1));
                files.WriteFile(folder + "/disc.cue", testkit::CueSheet("disc.bin", 0));
                break;
            case 2:
                files.WriteFile(folder + "/disc.raw", testkit::RawImage(header, 1));
                break;
            default:
                testkit::WriteZip(folder + "/disc.zip",
                                  {{"disc.iso", testkit::CookedImage(header, 1), true, ""}});
                break;
        }
        if (static_cast<int>(entries.size()) < HEADER_DATABASE_SLOTS)
            entries.push_back(title + "#" + HexForm(HeaderChecksum(header)) + "#" + PlainNumber(tracks));
    }
    return entries;
}

double Seconds(Stopwatch::duration d) {
    return std::chrono::duration<double>(d).count();
}

double Baseline(Files& files, const std::string& root) {
    const auto started = Stopwatch::now();
    const std::vector<std::string> images = files.ListFilesRecursive(root, IMAGE_EXTENSIONS);
    std::vector<uint8_t> buffer(2048);
    size_t read = 0;
    for (const std::string& path : images) {
        if (auto n = files.ReadAt(path, 0, buffer)) read += *n;
        files.Rename(path, path + ".renamed");
    }
    const double seconds = Seconds(Stopwatch::now() - started);
    if (read == 0) std::fprintf(stderr, "baseline read nothing\n");
    return seconds / static_cast<double>(images.size());
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder start, baselineCopy, massCopy;
    PosixFiles files;

    std::printf("Generating two copies of a collection of %d images...\n", count);
    const auto generating = Stopwatch::now();
    WriteCollection(files, baselineCopy.Path(), count);
    const std::vector<std::string> entries = WriteCollection(files, massCopy.Path(), count);
    std::printf("  %.1f s\n", Seconds(Stopwatch::now() - generating));

    std::filesystem::current_path(start.Path());
    testkit::TestProgram test;
    Program& program = test.program;
    for (const std::string& entry : entries)
        program.database.entries[static_cast<size_t>(program.database.count++)] = entry;
    test.window.SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED);
    test.window.SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED);

    const double baseline = Baseline(files, baselineCopy.Path());

    test.dialogs.QueueFolder(massCopy.Path());
    const auto massStarted = Stopwatch::now();
    MassProcess(program);
    const double mass = Seconds(Stopwatch::now() - massStarted);
    const double perImage = mass / count;

    std::printf("Mass processing of %d images (%zu known to the database), %zu pane bytes:\n", count,
                entries.size(), program.pane.Text().size());
    std::printf("  baseline (open, read 2 KB, rename): %9.1f us per image\n", baseline * 1e6);
    std::printf("  mass processing:                    %9.1f us per image  (%.2f s in all)\n", perImage * 1e6,
                mass);
    std::printf("  ratio to the baseline:              %9.2f\n", perImage / baseline);
    return 0;
}
