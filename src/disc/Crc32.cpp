#include "disc/Crc32.h"

#include <array>

namespace cartovex {

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        table[i] = value;
    }
    return table;
}

// Built by the compiler: constant data of the program, never computed at run time.
constexpr std::array<uint32_t, 256> TABLE = MakeTable();
static_assert(TABLE[1] == 0x77073096u && TABLE[255] == 0x2D02EF8Du);

}  // namespace

uint32_t Crc32Update(const uint8_t* data, size_t length, uint32_t reg) {
    for (size_t i = 0; i < length; ++i) reg = (reg >> 8) ^ TABLE[(reg ^ data[i]) & 0xFF];
    return reg;
}

uint32_t HeaderChecksum(const HeaderBlock& header) {
    return Crc32Update(header.data(), header.size(), 0xFFFFFFFFu) ^ 0xFFFFFFFFu;
}

}  // namespace cartovex
