#include "disc/RawSector.h"

#include <algorithm>

namespace cartovex {

namespace {

constexpr size_t HEADER_OFFSET = 12;
constexpr size_t EDC_OFFSET = 0x810;
constexpr size_t P_PARITY_OFFSET = 0x81C;
constexpr size_t Q_PARITY_OFFSET = 0x8C8;

constexpr std::array<uint32_t, 256> MakeEdcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t edc = i;
        for (int bit = 0; bit < 8; ++bit) edc = (edc >> 1) ^ ((edc & 1) ? 0xD8018001u : 0);
        table[i] = edc;
    }
    return table;
}

struct GaloisTables {
    std::array<uint8_t, 256> forward{};
    std::array<uint8_t, 256> backward{};
};

constexpr GaloisTables MakeGaloisTables() {
    GaloisTables t;
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
        t.forward[i] = static_cast<uint8_t>(j);
        t.backward[i ^ j] = static_cast<uint8_t>(i);
    }
    return t;
}

constexpr auto EDC_TABLE = MakeEdcTable();
constexpr auto GF = MakeGaloisTables();

uint32_t Edc(const uint8_t* data, size_t length) {
    uint32_t edc = 0;
    for (size_t i = 0; i < length; ++i) edc = (edc >> 8) ^ EDC_TABLE[(edc ^ data[i]) & 0xFF];
    return edc;
}

// One pass of the product code over header and data (from offset 12): P works on 86 columns of
// 24 bytes, Q on 52 diagonals of 43 bytes, as the CD-ROM standard lays them out.
void ParityBlock(const uint8_t* src, size_t majorCount, size_t minorCount, size_t majorMult, size_t minorInc,
                 uint8_t* dest) {
    size_t size = majorCount * minorCount;
    for (size_t major = 0; major < majorCount; ++major) {
        size_t index = (major >> 1) * majorMult + (major & 1);
        uint8_t a = 0, b = 0;
        for (size_t minor = 0; minor < minorCount; ++minor) {
            uint8_t value = src[index];
            index += minorInc;
            if (index >= size) index -= size;
            a ^= value;
            b ^= value;
            a = GF.forward[a];
        }
        a = GF.backward[GF.forward[a] ^ b];
        dest[major] = a;
        dest[major + majorCount] = static_cast<uint8_t>(a ^ b);
    }
}

uint8_t Bcd(uint32_t value) {
    return static_cast<uint8_t>(((value / 10) << 4) | (value % 10));
}

}  // namespace

void RecomputeMode1Parity(std::span<uint8_t, RAW_SECTOR_SIZE> sector) {
    uint8_t* s = sector.data();
    uint32_t edc = Edc(s, EDC_OFFSET);
    for (int i = 0; i < 4; ++i) s[EDC_OFFSET + i] = static_cast<uint8_t>(edc >> (8 * i));
    for (size_t i = EDC_OFFSET + 4; i < P_PARITY_OFFSET; ++i) s[i] = 0;
    RecomputeEcc(sector);
}

void RecomputeEcc(std::span<uint8_t, RAW_SECTOR_SIZE> sector) {
    uint8_t* s = sector.data();
    const bool mode2 = s[HEADER_OFFSET + 3] == 2;
    std::array<uint8_t, 4> header{};
    if (mode2) {
        std::copy_n(s + HEADER_OFFSET, header.size(), header.begin());
        std::fill_n(s + HEADER_OFFSET, header.size(), uint8_t{0});
    }
    ParityBlock(s + HEADER_OFFSET, 86, 24, 2, 86, s + P_PARITY_OFFSET);
    ParityBlock(s + HEADER_OFFSET, 52, 43, 86, 88, s + Q_PARITY_OFFSET);
    if (mode2) std::copy(header.begin(), header.end(), s + HEADER_OFFSET);
}

void FinishMode1Sector(std::span<uint8_t, RAW_SECTOR_SIZE> sector, uint32_t lba) {
    uint8_t* s = sector.data();
    s[0] = 0;
    for (int i = 1; i <= 10; ++i) s[i] = 0xFF;
    s[11] = 0;
    uint32_t address = lba + 150;  // the data starts two seconds (150 frames) into the disc
    s[12] = Bcd(address / (60 * 75));
    s[13] = Bcd((address / 75) % 60);
    s[14] = Bcd(address % 75);
    s[15] = 1;
    RecomputeMode1Parity(sector);
}

bool Mode1EdcMatches(std::span<const uint8_t, RAW_SECTOR_SIZE> sector) {
    const uint8_t* s = sector.data();
    uint32_t stored = s[EDC_OFFSET] | (s[EDC_OFFSET + 1] << 8) | (s[EDC_OFFSET + 2] << 16) |
                      (static_cast<uint32_t>(s[EDC_OFFSET + 3]) << 24);
    return stored == Edc(s, EDC_OFFSET);
}

}  // namespace cartovex
