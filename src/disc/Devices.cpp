#include <array>
#include <string_view>

#include "common/Text.h"
#include "disc/Decoders.h"

namespace cartovex {

namespace {

struct DeviceCode {
    char code;
    std::string_view name;
};

// A comma is a code without a name: headers list "J,6" as often as "J6", and the separator rule
// still applies to it, so "J,6" shows an empty entry between the two pads.
constexpr std::array<DeviceCode, 17> DEVICES{{
    {',', ""},
    {'g', "Light Gun"},
    {'j', "3-Buttons Pad"},
    {'4', "MultiTap"},
    {'6', "6-Buttons Pad"},
    {'0', "Master System Pad"},
    {'k', "Keyboard"},
    {'r', "Serial RS232C"},
    {'p', "Printer"},
    {'t', "Tablet"},
    {'b', "TrackBall"},
    {'v', "Paddle Controler"},
    {'f', "Floppy Disk Drive"},
    {'c', "CD-ROM Drive"},
    {'l', "Activator"},
    {'m', "Mouse"},
    {'a', "Analog Controller"},
}};

const DeviceCode* FindDevice(char code) {
    for (const DeviceCode& device : DEVICES)
        if (device.code == code) return &device;
    return nullptr;
}

}  // namespace

std::string DecodeDevices(const DiscInfo& disc) {
    // Only trailing blanks are filler; a blank between codes (or a NUL) is an unknown code.
    const std::string codes = TrimRight(DeviceSupport(disc.header));
    std::string list;
    for (size_t i = 0; i < codes.size(); ++i) {
        const DeviceCode* device = FindDevice(AsciiLower(codes.substr(i, 1))[0]);
        if (!device) return "Unknown CODE : " + codes.substr(i, 1);
        list += device->name;
        if (i + 1 != codes.size()) list += ", ";
    }
    return list;
}

}  // namespace cartovex
