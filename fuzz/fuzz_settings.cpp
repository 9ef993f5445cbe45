// The settings file as found on disk: read, written back and read again. Whatever the first read
// made of it, the file we write must read back to the same site and toggles, or a setting would
// drift from one start to the next.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzProgram.h"
#include "app/MenuModel.h"
#include "app/Settings.h"

using namespace cartovex;

namespace {

struct State {
    std::string site;
    std::vector<int> toggles;
    bool operator==(const State&) const = default;
};

State StateOf(Program& program) {
    State state{program.updateSite, {}};
    for (const ToggleInfo& toggle : Toggles())
        state.toggles.push_back(program.window().MenuItemState(toggle.commandId));
    return state;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzzing::FuzzProgram harness;
    Program& program = *harness.program;
    program.files().WriteFile(program.StartFile("Cartovex.ini"),
                              std::string_view(reinterpret_cast<const char*>(data), size));
    program.files().SetCurrentDirectory(program.startFolder);
    ReadSettings(program);
    const State first = StateOf(program);
    WriteSettings(program);
    ReadSettings(program);
    if (!(StateOf(program) == first)) __builtin_trap();
    harness.BackToLaunchFolder();
    return 0;
}
