// System calls per image of a mass run, counted with strace: on a network share or a USB disc every
// metadata call (a stat, an open, a directory change, a listing) is a round trip, so a run costs what
// its calls cost. Unlike a time, the count is the same on every run and every machine.
//
// Two collections of the same size, each run by the real cartovex-cli:
//   - unknown images side by side in one flat folder: each is opened, its block read, and one pane
//     line printed;
//   - known images (an ISO and two MP3 tracks) each in its folder below a group folder, with every
//     toggle on: each is analysed, renamed with its tracks, and gets its report, its sheet and its
//     folder renamed.
// The calls of a run over an empty folder (start-up, reference files, settings) are taken off, and
// the rest divided by the number of images. Each figure stands next to the floor of the same work.
//
//   cartovex_bench_syscalls [COUNT]     (default 300)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "BenchKit.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Companions.h"
#include "testkit/TempFolder.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

const std::string CLI = CARTOVEX_BINARY_DIR "/src/programs/cli/cartovex-cli";

struct Count {
    long total = 0;
    std::map<std::string, long> byCall;
};

// strace -c's table: "% time  seconds  usecs/call  calls  errors  syscall", then a "total" row.
Count ReadSummary(const std::string& path) {
    Count count;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.size() < 5 || words[0].find('.') == std::string::npos) continue;
        const long calls = std::atol(words[3].c_str());
        if (words.back() == "total")
            count.total = calls;
        else
            count.byCall[words.back()] = calls;
    }
    return count;
}

Count Strace(const std::string& start, const std::string& folder) {
    const std::string summary = start + "/strace.txt";
    const std::string command = "cd '" + start + "' && strace -f -c -o '" + summary + "' '" + CLI +
                                "' mass '" + folder + "' > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "cartovex_bench_syscalls: strace or cartovex-cli failed: %s\n", command.c_str());
        std::exit(1);
    }
    return ReadSummary(summary);
}

void Report(const std::string& label, const Count& run, const Count& empty, int images, double floor,
            double goal) {
    const double perImage = static_cast<double>(run.total - empty.total) / images;
    Ratio(label + ": calls per image", perImage, goal);
    Figure(label + ": the same work's floor", floor, "calls");
    std::string detail = "   ";
    for (const auto& [call, calls] : run.byCall) {
        const auto before = empty.byCall.find(call);
        const double each =
            static_cast<double>(calls - (before == empty.byCall.end() ? 0 : before->second)) / images;
        if (each >= 0.5) detail += " " + call + " " + std::to_string(each).substr(0, 4);
    }
    std::printf("%s\n", detail.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 300;
    if (std::system("command -v strace > /dev/null") != 0) {
        std::fprintf(stderr, "cartovex_bench_syscalls: needs strace (Debian package strace)\n");
        return 1;
    }
    testkit::TempFolder start;
    PosixFiles files;
    std::string database = "1\r\n";
    start.MakeFolder("empty");
    start.MakeFolder("flat");
    for (int i = 0; i < count; ++i) {
        files.WriteFile(start / ("flat/image" + PlainNumber(i) + ".iso"),
                        testkit::CookedImage(BenchHeader(i), 1));
        const HeaderBlock known = BenchHeader(100000 + i);
        const std::string folder =
            start.MakeFolder("nested/Group " + PlainNumber(i / 10) + "/DISC" + PlainNumber(i));
        files.WriteFile(folder + "/disc.iso", testkit::CookedImage(known, 1));
        testkit::WriteAudioTracks(files, folder, "disc", "mp3", 2);
        database += EntryFor("Known Disc " + PlainNumber(i), known, 2) + "\r\n";
    }
    start.Write("DATA.KVX", database);
    start.Write("DEVELOPPER.KVX", "1\r\n25#Nimbus Works\r\n");
    start.Write(
        "Cartovex.ini",
        "UpdateSite=\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_FIXCUE=on\r\n"
        "TOGGLE_UNDERSCORE=on\r\n");

    std::printf("System calls of cartovex-cli mass, %d images, counted by strace\n", count);
    const Count empty = Strace(start.Path(), start / "empty");
    Report("unknown images, one flat folder", Strace(start.Path(), start / "flat"), empty, count, 4, 6);
    Report("known ISO+MP3 discs, every toggle on", Strace(start.Path(), start / "nested"), empty, count, 25,
           40);
    return 0;
}
