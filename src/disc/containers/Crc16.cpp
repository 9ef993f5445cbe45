#include "disc/containers/Crc16.h"

#include <array>

namespace cartovex {

namespace {

constexpr std::array<uint16_t, 256> MakeTable() {
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t reg = i << 8;
        for (int bit = 0; bit < 8; ++bit) reg = (reg & 0x8000) ? (reg << 1) ^ 0x1021 : reg << 1;
        table[i] = static_cast<uint16_t>(reg);
    }
    return table;
}

constexpr auto TABLE = MakeTable();

}  // namespace

uint16_t Crc16Update(std::span<const uint8_t> data, uint16_t reg) {
    for (uint8_t b : data) reg = static_cast<uint16_t>((reg << 8) ^ TABLE[((reg >> 8) ^ b) & 0xFF]);
    return reg;
}

}  // namespace cartovex
