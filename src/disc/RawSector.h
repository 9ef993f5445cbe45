// Mode 1 raw sectors (2352 bytes): 12 sync bytes, a 4-byte header (minute, second, frame in BCD and
// the mode), 2048 bytes of user data, the EDC (a CRC over sync, header and data), 8 zero bytes and
// the Reed-Solomon P and Q parity (ECC). A raw image whose user data changes needs both recomputed,
// or drives and emulators that check them reject the sector.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace cartovex {

constexpr size_t COOKED_SECTOR_SIZE = 2048;
constexpr size_t RAW_SECTOR_SIZE = 2352;
constexpr size_t RAW_USER_DATA_OFFSET = 16;

/// Writes sync, header (for sector number `lba`, counted from the start of the disc's data at
/// 00:02:00) and recomputes EDC and ECC around the 2048 bytes already at offset 16.
void FinishMode1Sector(std::span<uint8_t, RAW_SECTOR_SIZE> sector, uint32_t lba);

/// Recomputes EDC and ECC of a mode 1 sector whose sync and header are in place.
void RecomputeMode1Parity(std::span<uint8_t, RAW_SECTOR_SIZE> sector);

/// Recomputes the ECC (P and Q parity) alone, leaving the EDC as it is. A mode 2 sector's header
/// counts as zeros, as the CD-ROM standard has it for mode 2.
void RecomputeEcc(std::span<uint8_t, RAW_SECTOR_SIZE> sector);

/// True when the EDC stored in a mode 1 sector matches its content.
bool Mode1EdcMatches(std::span<const uint8_t, RAW_SECTOR_SIZE> sector);

}  // namespace cartovex
