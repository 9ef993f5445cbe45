// The CHD reader over an in-memory file: whatever the bytes, it ends with one of its results, says
// why when it refuses, and changes the block only when it found an image. A file that opens also
// has its first hunks read, so copies, stored and packed hunks of every kind are reached.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdImage.h"

using namespace cartovex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    HeaderBlock header{};
    header.fill(0xEE);
    const ChdReading reading = ReadChdHeaderFrom(bytes, header);
    switch (reading.result) {
        case ChdReading::Result::IMAGE_FOUND:
            if (!HasSegaDiscId(header)) __builtin_trap();
            break;
        case ChdReading::Result::UNREADABLE:
            if (!reading.fault || reading.fault->reason.empty()) __builtin_trap();
            [[fallthrough]];
        case ChdReading::Result::NOT_SEGA_CD:
            if (header[0] != 0xEE) __builtin_trap();
            break;
    }

    const ByteSource source = MemorySource(bytes);
    ChdFile chd(source, size);
    if (chd.Open()) return 0;
    std::vector<uint8_t> hunk;
    for (uint32_t h = 0; h < chd.Header().hunkCount && h < 4; ++h) {
        if (!chd.ReadHunk(h, hunk) && hunk.size() != chd.Header().hunkSize) __builtin_trap();
    }
    return 0;
}
