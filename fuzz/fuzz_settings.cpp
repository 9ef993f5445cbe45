// The settings file as found on disk: read, written back and read again. Whatever the first read
// made of it, the file we write must read back to the same site and toggles, or a setting would
// drift from one start to the next.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzProgram.h"
#include "refdata/UpdateSite.h"
#include "state/MenuModel.h"
#include "state/Settings.h"

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
    // The site goes into a connection and an address only in one of the forms the update knows,
    // and a site it refuses is named on one line.
    const SiteReading reading = ReadUpdateSite(program.updateSite, 80);
    if (reading.address) {
        const SiteAddress& site = *reading.address;
        const std::string_view base = site.base;
        const size_t hostStart = base.find("://") + 3;
        if (!program.updateSite.empty() && (site.host.empty() || site.port < 1 || site.port > 65535 ||
                                            !(base.starts_with("http://") || base.starts_with("https://")) ||
                                            base.find_first_of("/@?# ", hostStart) != std::string_view::npos))
            __builtin_trap();
    } else if (UnusableSiteLine(program.updateSite, reading.problem).find_first_of("\r\n") !=
               std::string::npos) {
        __builtin_trap();
    }
    harness.BackToLaunchFolder();
    return 0;
}
