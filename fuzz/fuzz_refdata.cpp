// The reference files and the settings file as they come from disk (or from the update site):
// each input is stored under all three names in a scratch start folder and loaded, read, shown
// and written back. The program lives across inputs, so a reload over an earlier, longer load is
// covered too.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/About.h"
#include "app/Program.h"
#include "app/Settings.h"
#include "platform/Clock.h"
#include "platform/Native.h"
#include "platform/headless/HeadlessWindow.h"
#include "refdata/Loader.h"

namespace {

struct Harness {
    Harness() {
        launchFolder = files->CurrentDirectory();
        std::string pattern = "/tmp/cartovex-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()) || !files->SetCurrentDirectory(pattern)) std::abort();
        program = std::make_unique<cartovex::Program>(
            cartovex::Platform{*files, window, dialogs, *process, *network, clock});
        files->SetCurrentDirectory(launchFolder);
    }

    std::unique_ptr<cartovex::Files> files = cartovex::MakeNativeFiles();
    std::unique_ptr<cartovex::Process> process = cartovex::MakeNativeProcess();
    std::unique_ptr<cartovex::Network> network = cartovex::MakeNativeNetwork();
    cartovex::HeadlessWindow window;
    cartovex::HeadlessDialogs dialogs;
    cartovex::SystemClock clock;
    std::unique_ptr<cartovex::Program> program;
    // The loader makes the start folder current; libFuzzer reads its corpus by relative paths.
    std::string launchFolder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Harness harness;
    cartovex::Program& program = *harness.program;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"DATA.KVX", "DEVELOPPER.KVX", "Cartovex.ini"})
        program.files().WriteFile(program.StartFile(name), text);

    program.pane.ClearPane();
    cartovex::LoadDatabases(program);
    if (program.database.count < 0 || program.database.count > cartovex::HEADER_DATABASE_SLOTS)
        __builtin_trap();
    cartovex::ReadSettings(program);
    cartovex::ShowAbout(program);
    cartovex::WriteSettings(program);
    program.files().SetCurrentDirectory(harness.launchFolder);
    return 0;
}
