// The reference files and the settings file as they come from disk (or from the update site):
// each input is judged as a download would be, stored under all three names in a scratch start
// folder and loaded, read, shown and written back. The program lives across inputs, so a reload
// over an earlier, longer load is covered too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzProgram.h"
#include "app/About.h"
#include "common/Text.h"
#include "refdata/Loader.h"
#include "refdata/ReferenceFormat.h"
#include "state/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static cartovex::fuzzing::FuzzProgram harness;
    cartovex::Program& program = *harness.program;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"DATA.KVX", "DEVELOPPER.KVX", "Cartovex.ini"})
        program.files().WriteFile(program.StartFile(name), text);

    program.pane.ClearPane();
    cartovex::LoadDatabases(program);
    if (program.database.count < 0 || program.database.count > cartovex::HEADER_DATABASE_SLOTS)
        __builtin_trap();
    // A download judged whole loads every one of its entry lines, as far as the table reaches.
    if (cartovex::IsWholeReferenceFile(cartovex::ReferenceFile::DATABASE, text)) {
        const size_t entries = cartovex::ReadLines(text).size() - 1;
        if (static_cast<size_t>(program.database.count) !=
            std::min<size_t>(entries, cartovex::HEADER_DATABASE_SLOTS))
            __builtin_trap();
    }
    cartovex::IsWholeReferenceFile(cartovex::ReferenceFile::DEVELOPERS, text);
    cartovex::ReadSettings(program);
    cartovex::ShowAbout(program);
    cartovex::WriteSettings(program);
    harness.BackToLaunchFolder();
    return 0;
}
