// The header block: the first 1978 bytes of the user data of a Sega CD's first data sector. It is
// kept whole, exactly as read, because it is also the range the disc checksum covers.
//
//   offset  size  field            notes
//   0x000    16   bootSystem       "SEGADISC..." (the system identifier)
//   0x010    11   cdType
//   0x020    11   systemName       NUL cut
//   0x02C     2   systemVersion    16-bit little-endian, shown in hexadecimal
//   0x050     8   timeStamp        NUL cut
//   0x100    16   systemNeeded
//   0x110    16   copyrightInfo    e.g. "(C)T-25 1993.JAN"
//   0x120    48   localName        domestic title
//   0x150    48   worldName        overseas title
//   0x180     2   softwareType     e.g. "GM"
//   0x183    12   serialField      NUL cut, e.g. "MK-4429 -00 "
//   0x190    16   deviceSupport    one code letter per device, e.g. "J6"
//   0x20B     1   regionByte       0xA1 Japan, 0x64 Europe, else USA
//   0x35A     4   conversion mark place 1 ("MoD" + original region)
//   0x772     4   conversion mark place 2
//   0x7A0     4   conversion mark place 3
//   0x7B6     4   conversion mark place 4 (the last four bytes)
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cartovex {

constexpr size_t HEADER_BLOCK_SIZE = 1978;
using HeaderBlock = std::array<uint8_t, HEADER_BLOCK_SIZE>;

struct HeaderField {
    size_t offset;
    size_t length;
};

namespace field {
constexpr HeaderField BOOT_SYSTEM{0x000, 16};
constexpr HeaderField CD_TYPE{0x010, 11};
constexpr HeaderField SYSTEM_NAME{0x020, 11};
constexpr HeaderField SYSTEM_VERSION{0x02C, 2};
constexpr HeaderField TIME_STAMP{0x050, 8};
constexpr HeaderField SYSTEM_NEEDED{0x100, 16};
constexpr HeaderField COPYRIGHT_INFO{0x110, 16};
constexpr HeaderField LOCAL_NAME{0x120, 48};
constexpr HeaderField WORLD_NAME{0x150, 48};
constexpr HeaderField SOFTWARE_TYPE{0x180, 2};
constexpr HeaderField SERIAL_FIELD{0x183, 12};
constexpr HeaderField DEVICE_SUPPORT{0x190, 16};
constexpr HeaderField REGION_BYTE{0x20B, 1};
constexpr HeaderField CONVERSION_MARKS[4] = {{0x35A, 4}, {0x772, 4}, {0x7A0, 4}, {0x7B6, 4}};
}  // namespace field

/// A field's bytes as text, at its full width.
std::string FieldText(const HeaderBlock& header, HeaderField f);
/// Overwrites a field with `text`, padded with blanks or cut to the field's width.
void SetFieldText(HeaderBlock& header, HeaderField f, std::string_view text);

inline std::string BootSystem(const HeaderBlock& h) {
    return FieldText(h, field::BOOT_SYSTEM);
}
inline std::string CdType(const HeaderBlock& h) {
    return FieldText(h, field::CD_TYPE);
}
inline std::string SystemName(const HeaderBlock& h) {
    return FieldText(h, field::SYSTEM_NAME);
}
inline std::string TimeStamp(const HeaderBlock& h) {
    return FieldText(h, field::TIME_STAMP);
}
inline std::string SystemNeeded(const HeaderBlock& h) {
    return FieldText(h, field::SYSTEM_NEEDED);
}
inline std::string CopyrightInfo(const HeaderBlock& h) {
    return FieldText(h, field::COPYRIGHT_INFO);
}
inline std::string LocalName(const HeaderBlock& h) {
    return FieldText(h, field::LOCAL_NAME);
}
inline std::string WorldName(const HeaderBlock& h) {
    return FieldText(h, field::WORLD_NAME);
}
inline std::string SoftwareType(const HeaderBlock& h) {
    return FieldText(h, field::SOFTWARE_TYPE);
}
inline std::string SerialField(const HeaderBlock& h) {
    return FieldText(h, field::SERIAL_FIELD);
}
inline std::string DeviceSupport(const HeaderBlock& h) {
    return FieldText(h, field::DEVICE_SUPPORT);
}
inline uint8_t RegionByte(const HeaderBlock& h) {
    return h[field::REGION_BYTE.offset];
}
/// Unsigned 16-bit, little-endian as stored.
inline uint16_t SystemVersion(const HeaderBlock& h) {
    return static_cast<uint16_t>(h[field::SYSTEM_VERSION.offset] |
                                 (h[field::SYSTEM_VERSION.offset + 1] << 8));
}
inline std::string ConversionMark(const HeaderBlock& h, int place) {
    return FieldText(h, field::CONVERSION_MARKS[place]);
}

/// True when "SEGADISC" stands anywhere in the first 16 bytes: the test for a Sega CD image.
bool HasSegaDiscId(const HeaderBlock& h);

/// Replaces everything from the first NUL byte to the field's end by blanks, in `serialField`,
/// `systemName` and `timeStamp`.
void ApplyNulCuts(HeaderBlock& h);

}  // namespace cartovex
