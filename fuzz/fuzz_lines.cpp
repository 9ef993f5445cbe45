// The text readers every reference, list and settings file goes through.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    for (const auto& line : cartovex::ReadLines(text)) {
        total += line.size();
        auto pieces = cartovex::Split(line, '#', 6);
        if (pieces.empty() || pieces.size() > 6) __builtin_trap();
        (void)cartovex::ReadNumber(line);
        (void)cartovex::Trim(line);
    }
    if (total > size) __builtin_trap();
    for (const auto& line : cartovex::SplitAnyLineEnds(text))
        if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    return 0;
}
