#include "disc/HeaderReader.h"

#include <algorithm>
#include <array>

#include "platform/Files.h"

namespace cartovex {

HeaderReadResult ReadHeaderBlock(const ByteSource& source, HeaderBlock& header) {
    // One read covers both places the block can stand; bytes past a short file's end stay zero.
    std::array<uint8_t, RAW_SECTOR_PREFIX + HEADER_BLOCK_SIZE> start{};
    if (!source(0, start)) return HeaderReadResult::UNREADABLE;
    HeaderBlock block{};
    std::copy_n(start.begin(), HEADER_BLOCK_SIZE, block.begin());
    if (HasSegaDiscId(block)) {
        header = block;
        return HeaderReadResult::ACCEPTED_COOKED;
    }
    std::copy_n(start.begin() + RAW_SECTOR_PREFIX, HEADER_BLOCK_SIZE, block.begin());
    header = block;
    return HasSegaDiscId(block) ? HeaderReadResult::ACCEPTED_RAW : HeaderReadResult::NOT_SEGA_CD;
}

HeaderReadResult ReadHeaderBlock(const Files& files, const std::string& path, HeaderBlock& header) {
    // ReadAt opens ordinary files only.
    return ReadHeaderBlock(
        [&](uint64_t offset, std::span<uint8_t> out) { return files.ReadAt(path, offset, out); }, header);
}

}  // namespace cartovex
