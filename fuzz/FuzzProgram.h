// A whole program for the targets that need one: real files in a scratch start folder, a
// headless window, and the folder libFuzzer was started in given back after every input (it reads
// its corpus by relative paths).
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/Native.h"
#include "platform/headless/HeadlessWindow.h"
#include "state/Program.h"

namespace cartovex::fuzzing {

struct FuzzProgram {
    FuzzProgram() {
        launchFolder = files->CurrentDirectory();
        // Every write is flushed to the disc; in memory that costs nothing, and the targets that
        // write files keep their pace.
        std::string pattern =
            std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/cartovex-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()) || !files->SetCurrentDirectory(pattern)) std::abort();
        program = std::make_unique<Program>(Platform{*files, window, dialogs, *process, *network, clock});
        files->SetCurrentDirectory(launchFolder);
    }
    void BackToLaunchFolder() { files->SetCurrentDirectory(launchFolder); }

    std::unique_ptr<Files> files = MakeNativeFiles();
    std::unique_ptr<Process> process = MakeNativeProcess();
    std::unique_ptr<Network> network = MakeNativeNetwork();
    HeadlessWindow window;
    HeadlessDialogs dialogs;
    SystemClock clock;
    std::unique_ptr<Program> program;
    std::string launchFolder;
};

}  // namespace cartovex::fuzzing
