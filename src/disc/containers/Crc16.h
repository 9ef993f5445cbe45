// The CRC-16 that CHD files check their map and hunks with: polynomial 1021, register preset to FFFF,
// not reflected, no final XOR (the CCITT variant often called CRC-16/CCITT-FALSE).
#pragma once

#include <cstdint>
#include <span>

namespace cartovex {

constexpr uint16_t CRC16_PRESET = 0xFFFF;

/// Runs `data` through the register and returns the new register.
uint16_t Crc16Update(std::span<const uint8_t> data, uint16_t reg);

/// The checksum of a whole range.
inline uint16_t Crc16(std::span<const uint8_t> data) {
    return Crc16Update(data, CRC16_PRESET);
}

}  // namespace cartovex
