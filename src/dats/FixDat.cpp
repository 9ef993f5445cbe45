#include "dats/FixDat.h"

#include <set>

#include "common/Text.h"

namespace cartovex {
namespace {

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The length of the well-formed UTF-8 sequence at the start of `text` that XML allows, else 0.
size_t XmlCharacterLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    uint32_t code = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, code = lead & 0x07;
    else
        return 0;
    if (text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    // Over-long forms, surrogates, beyond U+10FFFF, and the two non-characters XML excludes.
    static constexpr uint32_t LEAST[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < LEAST[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF || code == 0xFFFE ||
        code == 0xFFFF)
        return 0;
    return length;
}

std::string LowerHex(std::span<const uint8_t> bytes) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        hex += DIGITS[b >> 4];
        hex += DIGITS[b & 15];
    }
    return hex;
}

std::string Crc32Hex(uint32_t crc) {
    const uint8_t bytes[] = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                             static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
    return LowerHex(bytes);
}

std::string SourceName(const DatSource& source) {
    return source.name.empty() ? source.fileName : source.name;
}

void WriteRom(std::string& out, const DatRom& rom) {
    out += "\t\t<rom name=\"" + XmlEscaped(rom.name) + "\" size=\"" + std::to_string(rom.size) + "\"";
    if (rom.crc) out += " crc=\"" + Crc32Hex(*rom.crc) + "\"";
    if (rom.md5) out += " md5=\"" + LowerHex(*rom.md5) + "\"";
    if (rom.sha1) out += " sha1=\"" + LowerHex(*rom.sha1) + "\"";
    out += "/>\n";
}

}  // namespace

std::string XmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const char c = text[0];
        size_t length = 1;
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
                out += "&#9;";
                break;
            case '\n':
                out += "&#10;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += REPLACEMENT;
                } else if ((length = XmlCharacterLength(text)) == 0) {
                    out += REPLACEMENT;
                    length = 1;
                } else {
                    out.append(text.substr(0, length));
                }
        }
        text.remove_prefix(length);
    }
    return out;
}

std::string WriteFixDat(const DatCatalogue& catalogue, std::span<const size_t> missing,
                        std::string_view date) {
    std::string sources;
    for (const DatSource& source : catalogue.dats) {
        if (!sources.empty()) sources += ", ";
        sources += SourceName(source);
        if (!source.version.empty()) sources += " (" + source.version + ")";
    }
    if (sources.empty()) sources = "no DAT";

    std::string out;
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out +=
        "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
        "\"http://www.logiqx.com/Dats/datafile.dtd\">\n";
    out += "<datafile>\n\t<header>\n";
    out += "\t\t<name>" + XmlEscaped("Fixdat: missing from " + sources) + "</name>\n";
    out += "\t\t<description>" +
           XmlEscaped("The games of " + sources + " that the checked collection does not have, " +
                      std::string(date)) +
           "</description>\n";
    out += "\t\t<version>" + XmlEscaped(date) + "</version>\n";
    out += "\t\t<date>" + XmlEscaped(date) + "</date>\n";
    out += "\t\t<author>Cartovex</author>\n";
    out += "\t</header>\n";

    // A game named twice in `missing` is written once: a DAT with the same set twice is refused by
    // some managers.
    std::set<size_t> written;
    for (const size_t index : missing) {
        if (index >= catalogue.games.size() || !written.insert(index).second) continue;
        const DatGame& game = catalogue.games[index];
        out += "\t<game name=\"" + XmlEscaped(game.name) + "\">\n";
        out += "\t\t<description>" + XmlEscaped(game.description.empty() ? game.name : game.description) +
               "</description>\n";
        for (const DatRom& rom : game.roms) WriteRom(out, rom);
        out += "\t</game>\n";
    }
    out += "</datafile>\n";
    return out;
}

}  // namespace cartovex
