// cartovex-cli: the desktop program's operations from a terminal. It runs in the current folder,
// which is its start folder, with a window and dialogs kept in memory.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandHandler.h"
#include "app/CommandLine.h"
#include "platform/Clock.h"
#include "platform/Native.h"
#include "platform/headless/HeadlessWindow.h"
#include "state/Program.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The Windows C library turns each LF written to a text-mode stream into CR LF; bytes that already
// carry their CR LF must pass through untouched.
void MakeStandardOutputRaw() {
    std::cout.flush();
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool StandardOutputIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(STDOUT_FILENO) != 0;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    using namespace cartovex;
    auto files = MakeNativeFiles();
    auto process = MakeNativeProcess();
    auto network = MakeNativeNetwork();
    HeadlessWindow window;
    HeadlessDialogs dialogs;
    SystemClock clock;
    Program program(Platform{*files, window, dialogs, *process, *network, clock});
    CommandHandler handler(program);

    CliContext context{program,
                       handler,
                       std::cout,
                       std::cerr,
                       [&dialogs](std::string path) { dialogs.QueueOpenFile(std::move(path)); },
                       [&dialogs](std::string path) { dialogs.QueueFolder(std::move(path)); },
                       MakeStandardOutputRaw,
                       StandardOutputIsTerminal()};
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunCli(context, args);
}
