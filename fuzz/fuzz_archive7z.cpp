// The 7z and RAR reader over an in-memory archive: whatever the bytes, it ends with one of its
// results and changes the block only when it found an image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disc/containers/Archive.h"

using namespace cartovex;

// libarchive reserves what a 7z header names for a decoder's dictionary (up to 4 GiB) and for its
// member tables before it reads a byte of them. Such a reservation is address space: only what the
// archive really unpacks is ever written (the directory itself, which is filled, is bounded before
// libarchive sees it). So single allocations up to 4.25 GiB pass here, larger ones fail as they
// would on a machine that doesn't overcommit (libarchive then reports a broken archive), and
// libFuzzer's RSS limit still catches any memory that is really used.
#define CARTOVEX_FUZZ_ALLOCATION_LIMIT_MB "4352"

extern "C" const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=" CARTOVEX_FUZZ_ALLOCATION_LIMIT_MB;
}

// libFuzzer reads its flags after this runs, so the malloc limit added here applies to every run of
// the target, however it is started.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static std::vector<char*> args;
    static char mallocLimit[] = "-malloc_limit_mb=" CARTOVEX_FUZZ_ALLOCATION_LIMIT_MB;
    args.assign(*argv, *argv + *argc);
    args.push_back(mallocLimit);
    args.push_back(nullptr);
    *argv = args.data();
    *argc = static_cast<int>(args.size() - 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeaderBlock header{};
    header.fill(0xEE);
    ContainerContents contents;
    contents.audioTracks = -1;
    const ArchiveReadResult result =
        ReadPackedArchiveHeaderFrom(std::span<const uint8_t>(data, size), header, &contents);
    if (result != ArchiveReadResult::IMAGE_FOUND && header[0] != 0xEE) __builtin_trap();
    // What the members make of the disc is told exactly when its data track was found.
    if ((result == ArchiveReadResult::IMAGE_FOUND) != (contents.audioTracks >= 0)) __builtin_trap();
    if (result == ArchiveReadResult::IMAGE_FOUND && !HasSegaId(header)) __builtin_trap();
    return 0;
}
