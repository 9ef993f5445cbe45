// The header-field decoders and the serial normalisation over any header block: the block comes
// from a stranger's image, the developer list from the update site.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/Decoders.h"
#include "disc/Identification.h"

using namespace cartovex;

namespace {

DeveloperList SomeDevelopers() {
    DeveloperList developers;
    for (int code = 0; code < DEVELOPER_SLOTS; code += 3)
        developers.names[static_cast<size_t>(code)] = "Dev " + PlainNumber(code);
    return developers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const DeveloperList developers = SomeDevelopers();
    DiscInfo disc;
    std::memcpy(disc.header.data(), data, std::min(size, HEADER_BLOCK_SIZE));
    disc.crc32 = HeaderChecksum(disc.header);
    ApplyNulCuts(disc.header);
    NormaliseSerial(disc);
    (void)DecodePublisher(disc, developers);
    (void)DecodeDevices(disc);
    (void)DecodeRegion(disc);

    // A database of entries cut from the input finds only an entry that carries the checksum.
    HeaderDatabase database;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : ReadLines(text)) {
        if (database.count >= HEADER_DATABASE_SLOTS) break;
        database.entries[static_cast<size_t>(database.count++)] = line;
    }
    FindDatabaseEntry(disc, database);
    if (disc.matchIndex != NONE_VALUE &&
        (disc.matchIndex < 0 || disc.matchIndex >= database.count ||
         Piece(database.entries[static_cast<size_t>(disc.matchIndex)], '#', 1) != HexForm(disc.crc32)))
        __builtin_trap();

    // The index that mass runs look up through answers exactly as the scan did.
    DiscInfo indexed = disc;
    indexed.matchIndex = NONE_VALUE;
    indexed.tracksMismatch = NONE_VALUE;
    const DatabaseIndex index(database);
    FindDatabaseEntry(indexed, database, &index);
    if (indexed.matchIndex != disc.matchIndex || indexed.tracksMismatch != disc.tracksMismatch)
        __builtin_trap();
    return 0;
}
