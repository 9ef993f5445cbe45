// DAT text as a stranger's file gives it: parsed into a catalogue that already holds a DAT, which a
// refused input must leave as it was; an accepted one is indexed and written out as a fixdat that
// must read back with every game it names.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <vector>

#include "dats/DatCatalogue.h"
#include "dats/DatIndex.h"
#include "dats/FixDat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace cartovex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DatCatalogue catalogue;
    if (ParseDat("game ( name Seed rom ( name s.bin size 1 crc 00000001 ) )", 0, catalogue)) __builtin_trap();

    if (const auto failure = ParseDat(text, 1, catalogue)) {
        if (failure->empty() || catalogue.games.size() != 1 || catalogue.dats.size() != 1) __builtin_trap();
        return 0;
    }
    for (const DatGame& game : catalogue.games) {
        if (game.name.empty() || game.dat > 1) __builtin_trap();
        for (const DatRom& rom : game.roms)
            if (rom.name.empty() || rom.size > DAT_ROM_SIZE_LIMIT || (!rom.crc && !rom.md5 && !rom.sha1))
                __builtin_trap();
    }
    const DatIndex index(catalogue);
    for (uint32_t g = 0; g < catalogue.games.size(); ++g)
        for (const DatRom& rom : catalogue.games[g].roms)
            if (rom.sha1 && index.BySha1(*rom.sha1).empty()) __builtin_trap();

    std::vector<size_t> all(catalogue.games.size());
    std::iota(all.begin(), all.end(), size_t{0});
    const std::string fixdat = WriteFixDat(catalogue, all, "2026-01-01");
    if (XmlDatsSupported()) {
        DatCatalogue back;
        if (ParseDat(fixdat, 0, back) || back.games.size() != catalogue.games.size()) __builtin_trap();
    }
    return 0;
}
