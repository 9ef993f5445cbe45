// The 7z and RAR reader over an in-memory archive: whatever the bytes, it ends with one of its
// results and changes the block only when it found an image.
#include <cstddef>
#include <cstdint>

#include "disc/Archive.h"

using namespace cartovex;

// libarchive sizes some buffers by what a header claims and copes with a failed allocation by
// reporting a broken archive, which is what the program then says; the sanitizer would stop at the
// failed malloc itself instead.
extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeaderBlock header{};
    header.fill(0xEE);
    const ArchiveReadResult result =
        ReadPackedArchiveHeaderFrom(std::span<const uint8_t>(data, size), header);
    if (result != ArchiveReadResult::IMAGE_FOUND && header[0] != 0xEE) __builtin_trap();
    if (result == ArchiveReadResult::IMAGE_FOUND && !HasSegaId(header)) __builtin_trap();
    return 0;
}
