// The title check: database titles arrive over plain HTTP and become file and folder names. Every
// title it accepts must be one file-name component that it accepts again, that no platform takes
// for a device, and from which the companion names are built safely.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Text.h"
#include "outputs/RenamePlan.h"
#include "outputs/TitleCheck.h"

namespace {

// Windows' reserved device names, written out here independently of the check: the base name
// (up to the first dot, blanks before it ignored) in any case, the digits 0 to 9 and the
// superscripts one to three (as single bytes and as UTF-8) after COM and LPT.
bool IsWindowsDeviceName(std::string_view name) {
    std::string base = cartovex::AsciiUpper(cartovex::TrimRight(name.substr(0, name.find('.'))));
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (base == device) return true;
    if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
    const std::string_view digit = std::string_view(base).substr(3);
    if (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') return true;
    for (std::string_view superscript : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
        if (digit == superscript) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view title(reinterpret_cast<const char*>(data), size);
    if (!IsUsableTitle(title)) return 0;
    if (!IsUsableFileName(title) || !IsUsableTitle(std::string(title))) __builtin_trap();
    if (title.find_first_of("/\\\"\r\n") != std::string_view::npos || title == "." || title == "..")
        __builtin_trap();
    if (IsWindowsDeviceName(title)) __builtin_trap();
    // Every name built from it is one component too, the image's with its extension included.
    for (const char* extension : {".iso", ".bin", ".raw", ".zip", ".cue", ".CUE"}) {
        const std::string name = std::string(title) + extension;
        if (!IsUsableFileName(name) || IsWindowsDeviceName(name)) __builtin_trap();
    }
    const auto plan = PlanCompanionRenames({"Track 01.mp3", "x 02.mp3", "y 3.mp3"}, title, "_", ".mp3");
    for (const auto& steps : {plan.toTemporary, plan.toFinal})
        for (const auto& step : steps)
            if (!IsUsableFileName(step.to)) __builtin_trap();
    return 0;
}
