#include "disc/FieldLines.h"

#include "common/Text.h"
#include "disc/Decoders.h"

namespace cartovex {

std::vector<std::string> FieldLines(const Program& program, const std::string& imageFormat) {
    const DiscInfo& disc = program.disc;
    const HeaderBlock& h = disc.header;
    std::string tracks = PlainNumber(disc.audioTracks);
    if (disc.tracksMismatch == SET_VALUE) tracks += " (SOME MISSING)";
    return {
        "Boot System         : " + BootSystem(h),
        "CD Type             : " + CdType(h),
        "System Name         : " + SystemName(h),
        "System Version      : " + HexForm(SystemVersion(h)),
        "System Needed       : " + SystemNeeded(h),
        "Copyright Info      : " + CopyrightInfo(h),
        "Local Name          : " + LocalName(h),
        "World Name          : " + WorldName(h),
        "Software Type       : " + SoftwareType(h),
        "Software Version    : " + disc.softwareVersion,
        "Supported Device(s) : " + DecodeDevices(disc),
        "Develloped by       : " + DecodePublisher(disc, program.developers),
        "Region Code         : " + DecodeRegion(disc),
        "Reference ID        : " + disc.referenceId,
        "Time Stamp          : " + TimeStamp(h),
        "Image Format        : " + imageFormat,
        "CRC32 Checksum      : " + HexForm(disc.crc32),
        "Audio Track(s)      : " + tracks,
    };
}

}  // namespace cartovex
