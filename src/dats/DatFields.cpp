// The checks a rom's fields pass. A DAT edited by hand or cut by a broken tool may carry a size
// with a unit, a CRC with a "0x", a hash one digit short: such a rom could never match a file, and
// believing a half-read number would match the wrong one, so the rom is left out and counted.
#include <algorithm>
#include <array>

#include "dats/DatReading.h"

namespace cartovex::dats {
namespace {

// A table rather than comparisons: hash digits are random, and a branch per digit mispredicts on
// half of them, which made reading the hashes most of a DAT's loading time.
constexpr std::array<int8_t, 256> HEX_VALUES = [] {
    std::array<int8_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 10; ++i) values['0' + i] = static_cast<int8_t>(i);
    for (int i = 0; i < 6; ++i) values['a' + i] = values['A' + i] = static_cast<int8_t>(10 + i);
    return values;
}();

int HexValue(char c) {
    return HEX_VALUES[static_cast<unsigned char>(c)];
}

// Exactly two hex digits per byte of `out`.
bool ReadHexBytes(std::string_view text, std::span<uint8_t> out) {
    if (text.size() != out.size() * 2) return false;
    for (size_t i = 0; i < out.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        out[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

std::optional<uint64_t> ReadSize(std::string_view text) {
    if (text.empty() || text.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > DAT_ROM_SIZE_LIMIT) return std::nullopt;  // also stops any overflow
    }
    return value;
}

template <size_t N>
bool ReadDigest(const std::optional<std::string_view>& text, std::optional<std::array<uint8_t, N>>& out) {
    if (!text) return true;
    std::array<uint8_t, N> digest{};
    if (!ReadHexBytes(*text, digest)) return false;
    out = digest;
    return true;
}

}  // namespace

void AddRom(DatReading& reading, DatGame& game, const RomFields& fields) {
    DatRom rom;
    rom.name = fields.name;
    const auto size = fields.size ? ReadSize(*fields.size) : std::nullopt;
    std::optional<std::array<uint8_t, 4>> crc;
    const bool sound = !rom.name.empty() && size && ReadDigest(fields.crc, crc) &&
                       ReadDigest(fields.md5, rom.md5) && ReadDigest(fields.sha1, rom.sha1);
    if (!sound || (!crc && !rom.md5 && !rom.sha1)) {
        ++reading.skippedRoms;
        return;
    }
    rom.size = *size;
    if (crc)
        rom.crc = static_cast<uint32_t>((*crc)[0]) << 24 | static_cast<uint32_t>((*crc)[1]) << 16 |
                  static_cast<uint32_t>((*crc)[2]) << 8 | (*crc)[3];
    game.roms.push_back(std::move(rom));
}

void AddGame(DatReading& reading, DatGame&& game) {
    if (game.name.empty()) {
        ++reading.skippedGames;
        reading.skippedRoms += game.roms.size();
        return;
    }
    reading.games.push_back(std::move(game));
}

size_t LineAt(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    return 1 +
           static_cast<size_t>(std::count(text.begin(), text.begin() + static_cast<ptrdiff_t>(offset), '\n'));
}

}  // namespace cartovex::dats
