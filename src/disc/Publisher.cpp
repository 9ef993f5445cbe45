#include <array>
#include <string_view>

#include "common/Text.h"
#include "disc/Decoders.h"

namespace cartovex {

namespace {

struct PrefixName {
    std::string_view key;
    std::string_view name;
};

// Publishers whose copyright text names them outright; tried before any developer code, because
// "(C)T-SR" would otherwise read as a T- code.
constexpr std::array<PrefixName, 4> KNOWN_PREFIXES{{
    {"(c)t-sr", "Sony"},
    {"(c)vrgn", "Virgin"},
    {"(c)sims", "SIMS"},
    {"(c)sega", "SEGA"},
}};

std::string Take(std::string_view text, size_t from, size_t count) {
    if (from >= text.size()) return {};
    return std::string(text.substr(from, count));
}

// A T- copyright code has three digits, except that codes of 300 and more don't exist: there the
// third character is the start of the year or a blank after a two-digit code that ran into it.
std::string CopyrightCode(const std::string& copyright, size_t codeStart, const DeveloperList& developers) {
    long long code = ReadNumber(Take(copyright, codeStart, 3));
    if (code >= 300) code = ReadNumber(Take(copyright, codeStart, 2));
    return developers.NameFor(code);
}

// A T serial is the developer code followed by a three-digit product number ("25036" is developer
// 25, product 036); a serial of three digits or fewer carries no product part to strip.
std::string SerialCode(const std::string& numberPart, const DeveloperList& developers) {
    std::string trimmed = TrimRight(numberPart);
    std::string code = trimmed.size() >= 3 ? trimmed.substr(0, trimmed.size() - 3) : numberPart;
    return developers.NameFor(ReadNumber(code));
}

std::string PublisherFromHeader(const DiscInfo& disc, const DeveloperList& developers) {
    const std::string copyright = CopyrightInfo(disc.header);
    const std::string lower = AsciiLower(copyright);
    for (const PrefixName& known : KNOWN_PREFIXES)
        if (lower.compare(0, 7, known.key) == 0) return std::string(known.name);
    if (AsciiLower(disc.serialParts[0]) == "t") return SerialCode(disc.serialParts[1], developers);
    if (lower.compare(0, 5, "(c)t-") == 0) return CopyrightCode(copyright, 5, developers);
    if (lower.compare(0, 2, "t-") == 0) return CopyrightCode(copyright, 2, developers);
    return "SEGA";
}

}  // namespace

std::string DecodePublisher(const DiscInfo& disc, const DeveloperList& developers) {
    // The one disc whose header codes point at the wrong developer.
    if (disc.referenceId == "T-6300") return "Dynamix";
    return PublisherFromHeader(disc, developers);
}

}  // namespace cartovex
