// The title check and the CUE sheet repair: database titles and sheets both come from outside.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"
#include "outputs/CueRepair.h"
#include "outputs/RenamePlan.h"
#include "outputs/TitleCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // A usable title can't leave its folder, break a CUE line or exceed a component's length.
    if (cartovex::IsUsableTitle(text)) {
        if (text.find_first_of("/\\\"\r\n") != std::string_view::npos || text == ".." || text.size() > 245)
            __builtin_trap();
        const auto plan = cartovex::PlanCompanionRenames({"Track 01.mp3", "x.mp3"}, text, "_", ".mp3");
        for (const auto& step : plan.toFinal)
            if (step.to.find_first_of("/\\\"\r\n") != std::string::npos) __builtin_trap();
    }
    // The repaired sheet keeps every line and ends each in CR LF.
    const std::string repaired = cartovex::RepairedCueSheetText(text, "Title.bin");
    const size_t lines = cartovex::SplitAnyLineEnds(text).size();
    if (cartovex::SplitAnyLineEnds(repaired).size() != lines) __builtin_trap();
    if (!repaired.empty() && !repaired.ends_with("\r\n")) __builtin_trap();
    return 0;
}
