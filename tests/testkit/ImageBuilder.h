// Builds Sega CD images in code: a header block with the fields a test chooses, written as a cooked
// (2048-byte sector) or raw (2352-byte sector, with valid EDC/ECC) image.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "disc/HeaderBlock.h"

namespace cartovex::testkit {

struct HeaderSpec {
    std::string bootSystem = "SEGADISCSYSTEM  ";
    std::string cdType = "SEGADATADIS";
    std::string systemName = "SEGASYSTEM ";
    uint16_t systemVersion = 0x0100;
    std::string timeStamp = "01011994";
    std::string systemNeeded = "SEGA MEGA DRIVE ";
    std::string copyrightInfo = "(C)SEGA 1994.JAN";
    std::string localName = "TEST DISC";
    std::string worldName = "TEST DISC";
    std::string softwareType = "GM";
    std::string serialField = "MK-4401 -00 ";
    std::string deviceSupport = "J";
    uint8_t regionByte = 0;
    /// Marks to place at the four conversion-mark places ("MoDJ" and the like); empty for none.
    std::array<std::string, 4> conversionMarks{};
    /// Bytes written after the fields, so two specs can be told apart by checksum alone.
    uint32_t salt = 0;
};

HeaderBlock BuildHeader(const HeaderSpec& fields);

/// A cooked image: the block at offset 0 of the first 2048-byte sector, `sectors` sectors long.
std::string CookedImage(const HeaderBlock& header, size_t sectors = 16);
/// A raw mode 1 image: every sector with sync, header, user data, EDC and ECC.
std::string RawImage(const HeaderBlock& header, size_t sectors = 16);

}  // namespace cartovex::testkit
