// Mass processing of one tree in the desktop window (Qt, offscreen) and by cartovex-cli, each on an
// identical copy and both through the command handler. The window shows the run as it goes; it may
// cost that, but no more than 1.3 times the command-line run, which only prints its lines.
//
//   cartovex_bench_windowmass [IMAGES]     (default 2400)
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchCollection.h"
#include "BenchKit.h"
#include "app/CommandHandler.h"
#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/posix/PosixFiles.h"
#include "platform/qt/QtWindow.h"
#include "refdata/Loader.h"
#include "state/MenuModel.h"
#include "state/Program.h"
#include "state/Settings.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

// A start folder with the database that knows the collection's first discs, and the collection.
struct Tree {
    explicit Tree(int count) {
        PosixFiles files;
        const std::vector<std::string> entries =
            WriteCollection(files, collection.Path(), count, Shape::NESTED);
        std::string database = "1\r\n";
        for (const std::string& entry : entries) database += entry + "\r\n";
        start.Write("DATA.KVX", database);
        start.Write("DEVELOPPER.KVX", "1\r\n");
    }
    testkit::TempFolder start, collection;
};

// The program in a tree's start folder, over the given window; its dialogs answer from a queue.
struct TreeProgram {
    TreeProgram(const Tree& tree, Window& window)
        : entered(chdir(tree.start.Path().c_str()) == 0),
          program(Platform{files, window, dialogs, process, network, clock}),
          handler(program) {}

    testkit::CurrentDirectoryGuard guard;
    bool entered;  // the start folder is current before the program takes it for its own
    PosixFiles files;
    HeadlessDialogs dialogs;
    testkit::NoProcess process;
    testkit::NoNetwork network;
    SystemClock clock;
    Program program;
    CommandHandler handler;
};

double CliSeconds(const Tree& tree) {
    HeadlessWindow window;
    TreeProgram run(tree, window);
    std::ofstream out("/dev/null"), err("/dev/null");
    CliContext context{run.program,
                       run.handler,
                       out,
                       err,
                       [&](std::string path) { run.dialogs.QueueOpenFile(std::move(path)); },
                       [&](std::string path) { run.dialogs.QueueFolder(std::move(path)); }};
    return Timed([&] { RunCli(context, {"mass", tree.collection.Path()}); });
}

double WindowSeconds(const Tree& tree) {
    QtWindow window;
    TreeProgram run(tree, window);
    window.SetHandler({{}, {}, [&](int id, int notification) { run.handler.Command(id, notification); }});
    window.show();
    run.dialogs.QueueFolder(tree.collection.Path());
    // What the command-line program does before its command, then Ctrl+M as the user gives it.
    return Timed([&] {
        LoadDatabases(run.program);
        ReadSettings(run.program);
        window.MenuAction(CMD_MASS_PROCESSING)->trigger();
    });
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2400;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);

    // Every copy is made before the first run and kept until the last: on ext4 a file created
    // after a large deletion costs several times more, which would charge one side for the
    // other's clean-up. A user's collection sits on disc long before a run, hence the sync.
    constexpr int ROUNDS = 3;
    std::vector<std::unique_ptr<Tree>> trees;
    for (int i = 0; i < 2 * ROUNDS; ++i) trees.push_back(std::make_unique<Tree>(count));
    sync();
    // The rounds take turns at going first; the fastest run of each side counts.
    double cli = 1e9, window = 1e9;
    for (int round = 0; round < ROUNDS; ++round) {
        const Tree& first = *trees[2 * round];
        const Tree& second = *trees[2 * round + 1];
        if (round % 2 == 0) {
            cli = std::min(cli, CliSeconds(first));
            window = std::min(window, WindowSeconds(second));
        } else {
            window = std::min(window, WindowSeconds(first));
            cli = std::min(cli, CliSeconds(second));
        }
    }
    std::printf("Mass processing of %d images, in the window and by cartovex-cli:\n", count);
    Figure("cartovex-cli mass", cli * 1e3, "ms");
    Figure("the window (Qt, offscreen), Ctrl+M", window * 1e3, "ms");
    Ratio("window / cartovex-cli", window / cli, 1.3);
    return 0;
}
