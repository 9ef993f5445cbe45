// The hash cache's reader. The cache lies in the start folder, where anything may have replaced it:
// it must never be taken unless it is whole, and a cache it takes writes back as the same text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "verify/HashCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    HashCache cache;
    if (!cache.Parse(text)) return 0;
    HashCache again;
    if (!again.Parse(cache.Text()) || again.Text() != cache.Text()) __builtin_trap();
    return 0;
}
