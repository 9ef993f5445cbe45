// The real `cartovex-cli mass`, every toggle on, against the crash-safe floor of the same work:
// a small C program (CrashSafeFloor.c) that walks the tree, reads every image's first 2 KB and
// processes each known disc with the fewest calls a run that survives a power cut can make. It
// runs twice: flushing each disc on its own, and with the flushes of a batch of discs grouped.
//
// The collection is nested like a user's: ten image folders to a group folder, each holding one
// ISO; the known discs (spread evenly among them) have two MP3 tracks beside their ISO. Each
// program runs over its own identical copy, on the temporary folder's disc (a flush costs what the
// disc makes it cost; in memory every run would look free), twice, the second time in the
// opposite order. Three collections: the known discs among two sizes of collection, and a quarter
// of them among a quarter of the images, for growth.
//
//   cartovex_bench_crashsafefloor [KNOWN SMALL LARGE]     (default 400 2000 8000)
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "testkit/Companions.h"
#include "testkit/TempFolder.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

const std::string CLI = CARTOVEX_CLI;
const std::string FLOOR = CARTOVEX_CRASH_SAFE_FLOOR;
// Discs to a batch when the floor groups its flushes.
constexpr int GROUP = 50;
constexpr long TMPFS_MAGIC = 0x01021994;

// Collection files are written plainly and synced once: a flush per file would spend minutes
// writing what a user's disc holds long before any run.
void WritePlain(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        std::fprintf(stderr, "cartovex_bench_crashsafefloor: can't write %s\n", path.c_str());
        std::exit(1);
    }
}

// `images` image folders, `known` of them the database's discs with their tracks; returns the
// database lines.
std::string WriteCollection(const std::string& root, int known, int images) {
    std::string database;
    const int every = std::max(1, images / known);
    for (int i = 0; i < images; ++i) {
        const std::string folder = root + "/Group " + PlainNumber(i / 10) + "/DISC" + PlainNumber(i);
        std::filesystem::create_directories(folder);
        const HeaderBlock header = BenchHeader(i);
        WritePlain(folder + "/disc.iso", testkit::CookedImage(header, 1));
        if (i % every != 0 || i / every >= known) continue;
        for (int track = 2; track <= 3; ++track)
            WritePlain(folder + "/disc 0" + PlainNumber(track) + ".mp3", testkit::Mp3Track(track));
        database += EntryFor("Known Disc " + PlainNumber(i), header, 2) + "\r\n";
    }
    return database;
}

// Every path below `root`, sorted: two runs that did the same work leave the same names.
std::vector<std::string> Names(const std::string& root) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        names.push_back(std::filesystem::relative(entry.path(), root).string());
    std::sort(names.begin(), names.end());
    return names;
}

double TimedCommand(const std::string& command) {
    sync();  // the collection, and the run before, written back before the clock starts
    const auto started = Stopwatch::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cartovex_bench_crashsafefloor: failed: %s\n", command.c_str());
        std::exit(1);
    }
    return SecondsSince(started);
}

enum Contender { CARTOVEX, FLOOR_EACH, FLOOR_GROUPED, CONTENDERS };
const char* const COPY[CONTENDERS] = {"cartovex", "floor", "grouped"};
// Each contender runs this many times, each time over a copy of its own, in the order reversed
// every other round: the disc's flushes slow down and speed up with what else the machine writes,
// and a drift then weighs on every contender alike.
constexpr int ROUNDS = 2;

struct Runs {
    int known = 0, images = 0;
    double seconds[CONTENDERS] = {};  // a whole run's, the mean over the rounds
    std::string difference;           // empty when every run left the same names
};

// Every collection stays on disc until the last run is measured: on ext4 a new file skips past
// the inodes freed in the last minutes, and deleting between runs would slow the runs after.
using Kept = std::vector<std::unique_ptr<testkit::TempFolder>>;

std::string Command(Contender contender, const testkit::TempFolder& start, const std::string& folder) {
    const std::string quiet = " > /dev/null 2>&1";
    if (contender == CARTOVEX)
        return "cd '" + start.Path() + "' && '" + CLI + "' mass '" + folder + "'" + quiet;
    const std::string grouping = contender == FLOOR_GROUPED ? " --grouped " + PlainNumber(GROUP) : "";
    return "'" + FLOOR + "'" + grouping + " '" + start / "DATA.KVX" + "' '" + folder + "'" + quiet;
}

Runs Measure(int known, int images, Kept& kept) {
    const testkit::TempFolder& start = *kept.emplace_back(std::make_unique<testkit::TempFolder>());
    std::string database;
    for (int round = 0; round < ROUNDS; ++round)
        for (const char* copy : COPY)
            database = WriteCollection(start / (copy + PlainNumber(round)), known, images);
    start.Write("DATA.KVX", "1\r\n" + database);
    start.Write("DEVELOPPER.KVX", "1\r\n25#Nimbus Works\r\n");
    start.Write(
        "Cartovex.ini",
        "UpdateSite=\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_FIXCUE=on\r\n"
        "TOGGLE_UNDERSCORE=on\r\n");

    Runs runs;
    runs.known = known;
    runs.images = images;
    for (int round = 0; round < ROUNDS; ++round)
        for (int i = 0; i < CONTENDERS; ++i) {
            const auto contender = static_cast<Contender>(round % 2 == 0 ? i : CONTENDERS - 1 - i);
            const std::string folder = start / (COPY[contender] + PlainNumber(round));
            runs.seconds[contender] += TimedCommand(Command(contender, start, folder)) / ROUNDS;
        }
    // The floor must have done the work the program did: the same names left behind.
    const std::vector<std::string> names = Names(start / "cartovex0");
    for (int round = 0; round < ROUNDS; ++round)
        for (const char* copy : COPY) {
            const std::string folder = copy + PlainNumber(round);
            const std::vector<std::string> other = Names(start / folder);
            const auto [mine, theirs] = std::mismatch(names.begin(), names.end(), other.begin(), other.end());
            if (mine == names.end() && theirs == other.end()) continue;
            runs.difference = folder + " holds " + (theirs == other.end() ? "nothing" : *theirs) +
                              " where cartovex0 holds " + (mine == names.end() ? "nothing" : *mine);
        }
    return runs;
}

void Report(const Runs& runs) {
    const std::string size = PlainNumber(runs.known) + " discs among " + PlainNumber(runs.images) + " images";
    const double each = 1e3 / runs.known;
    std::printf("Nested collection, %s:\n", size.c_str());
    if (!runs.difference.empty()) std::printf("  NOT THE SAME WORK: %s\n", runs.difference.c_str());
    Figure("cartovex-cli mass, every toggle on", runs.seconds[CARTOVEX] * each, "ms/disc");
    Figure("crash-safe floor, each disc flushed on its own", runs.seconds[FLOOR_EACH] * each, "ms/disc");
    Figure("crash-safe floor, flushes grouped " + PlainNumber(GROUP) + " discs at a time",
           runs.seconds[FLOOR_GROUPED] * each, "ms/disc");
    Ratio("cartovex / floor", runs.seconds[CARTOVEX] / runs.seconds[FLOOR_EACH], 1.0);
    Ratio("grouped floor / floor", runs.seconds[FLOOR_GROUPED] / runs.seconds[FLOOR_EACH], 1.0);
}

}  // namespace

int main(int argc, char** argv) {
    const int known = argc > 3 ? std::max(4, std::atoi(argv[1])) : 400;
    const int small = argc > 3 ? std::max(known, std::atoi(argv[2])) : 2000;
    const int large = argc > 3 ? std::max(small, std::atoi(argv[3])) : 8000;
    if (!std::filesystem::exists(CLI) || !std::filesystem::exists(FLOOR)) {
        std::printf("cartovex_bench_crashsafefloor: SKIPPED (cartovex-cli or the floor program not built)\n");
        return 0;
    }
    Kept kept;
    {
        const testkit::TempFolder probe;
        struct statfs info {};
        if (statfs(probe.Path().c_str(), &info) == 0 && info.f_type == TMPFS_MAGIC)
            std::printf(
                "(the temporary folder is in memory: a flush costs nothing there, so the floor is "
                "the program's own work)\n");
    }
    std::printf("Mass processing against its crash-safe floor, on %s\n",
                std::filesystem::temp_directory_path().c_str());
    const Runs quarter = Measure(known / 4, small / 4, kept);
    Report(quarter);
    const Runs a = Measure(known, small, kept);
    Report(a);
    Report(Measure(known, large, kept));
    std::printf("Growth, whole runs of %d discs among %d images / %d among %d:\n", a.known, a.images,
                quarter.known, quarter.images);
    const double linear = static_cast<double>(a.known) / quarter.known;
    Ratio("cartovex-cli mass", a.seconds[CARTOVEX] / quarter.seconds[CARTOVEX], 1.1 * linear);
    Figure("crash-safe floor, for comparison", a.seconds[FLOOR_EACH] / quarter.seconds[FLOOR_EACH], "");
    return 0;
}
