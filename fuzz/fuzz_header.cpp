// The header block reader over an in-memory image, and the field accessors on whatever it accepts.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "disc/Crc32.h"
#include "disc/HeaderReader.h"

using namespace cartovex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteSource source = [&](uint64_t offset, std::span<uint8_t> out) -> std::optional<size_t> {
        if (offset >= size) return 0;
        size_t n = std::min<size_t>(out.size(), size - offset);
        std::memcpy(out.data(), data + offset, n);
        return n;
    };
    HeaderBlock header{};
    HeaderReadResult result = ReadHeaderBlock(source, header);
    if (IsAccepted(result) != HasSegaDiscId(header)) __builtin_trap();
    (void)HeaderChecksum(header);
    ApplyNulCuts(header);
    for (HeaderField f : {field::SERIAL_FIELD, field::SYSTEM_NAME, field::TIME_STAMP})
        if (FieldText(header, f).find('\0') != std::string::npos) __builtin_trap();
    return 0;
}
