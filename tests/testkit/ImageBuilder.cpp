#include "testkit/ImageBuilder.h"

#include <cstring>
#include <span>

#include "disc/RawSector.h"

namespace cartovex::testkit {

HeaderBlock BuildHeader(const HeaderSpec& fields) {
    HeaderBlock h{};
    SetFieldText(h, field::BOOT_SYSTEM, fields.bootSystem);
    SetFieldText(h, field::CD_TYPE, fields.cdType);
    SetFieldText(h, field::SYSTEM_NAME, fields.systemName);
    h[field::SYSTEM_VERSION.offset] = static_cast<uint8_t>(fields.systemVersion & 0xFF);
    h[field::SYSTEM_VERSION.offset + 1] = static_cast<uint8_t>(fields.systemVersion >> 8);
    SetFieldText(h, field::TIME_STAMP, fields.timeStamp);
    SetFieldText(h, field::SYSTEM_NEEDED, fields.systemNeeded);
    SetFieldText(h, field::COPYRIGHT_INFO, fields.copyrightInfo);
    SetFieldText(h, field::LOCAL_NAME, fields.localName);
    SetFieldText(h, field::WORLD_NAME, fields.worldName);
    SetFieldText(h, field::SOFTWARE_TYPE, fields.softwareType);
    SetFieldText(h, field::SERIAL_FIELD, fields.serialField);
    SetFieldText(h, field::DEVICE_SUPPORT, fields.deviceSupport);
    h[field::REGION_BYTE.offset] = fields.regionByte;
    for (int i = 0; i < 4; ++i)
        if (!fields.conversionMarks[i].empty())
            SetFieldText(h, field::CONVERSION_MARKS[i], fields.conversionMarks[i]);
    std::memcpy(h.data() + 0x300, &fields.salt, sizeof fields.salt);
    return h;
}

std::string CookedImage(const HeaderBlock& header, size_t sectors) {
    std::string image(sectors * COOKED_SECTOR_SIZE, '\0');
    std::memcpy(image.data(), header.data(), header.size());
    return image;
}

std::string RawImage(const HeaderBlock& header, size_t sectors) {
    std::string image(sectors * RAW_SECTOR_SIZE, '\0');
    for (size_t s = 0; s < sectors; ++s) {
        auto* bytes = reinterpret_cast<uint8_t*>(image.data() + s * RAW_SECTOR_SIZE);
        if (s == 0) std::memcpy(bytes + RAW_USER_DATA_OFFSET, header.data(), header.size());
        FinishMode1Sector(std::span<uint8_t, RAW_SECTOR_SIZE>(bytes, RAW_SECTOR_SIZE),
                          static_cast<uint32_t>(s));
    }
    return image;
}

}  // namespace cartovex::testkit
