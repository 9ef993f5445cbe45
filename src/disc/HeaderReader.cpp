#include "disc/HeaderReader.h"

#include "platform/Files.h"

namespace cartovex {

HeaderReadResult ReadHeaderBlock(const ByteSource& source, HeaderBlock& header) {
    HeaderBlock block{};
    if (!source(0, block)) return HeaderReadResult::UNREADABLE;
    if (HasSegaDiscId(block)) {
        header = block;
        return HeaderReadResult::ACCEPTED_COOKED;
    }
    block.fill(0);
    if (!source(RAW_SECTOR_PREFIX, block)) return HeaderReadResult::UNREADABLE;
    header = block;
    return HasSegaDiscId(block) ? HeaderReadResult::ACCEPTED_RAW : HeaderReadResult::NOT_SEGA_CD;
}

HeaderReadResult ReadHeaderBlock(const Files& files, const std::string& path, HeaderBlock& header) {
    if (!files.IsRegularFile(path)) return HeaderReadResult::UNREADABLE;
    return ReadHeaderBlock(
        [&](uint64_t offset, std::span<uint8_t> out) { return files.ReadAt(path, offset, out); }, header);
}

}  // namespace cartovex
