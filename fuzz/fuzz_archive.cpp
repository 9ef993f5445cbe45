// The archive reader over an in-memory ZIP: whatever the bytes, it ends with one of its results and
// changes the block only when it found an image.
#include <cstddef>
#include <cstdint>

#include "disc/containers/Archive.h"

using namespace cartovex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HeaderBlock header{};
    header.fill(0xEE);
    ContainerContents contents;
    contents.audioTracks = -1;
    const ArchiveReadResult result = ReadArchiveHeaderFrom(std::span<const uint8_t>(data, size), header, &contents);
    if (result != ArchiveReadResult::IMAGE_FOUND && header[0] != 0xEE) __builtin_trap();
    // What the members make of the disc is told exactly when its data track was found.
    if ((result == ArchiveReadResult::IMAGE_FOUND) != (contents.audioTracks >= 0)) __builtin_trap();
    return 0;
}
