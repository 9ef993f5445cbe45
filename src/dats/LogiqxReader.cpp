// Logiqx XML DATs, read through pugixml. pugixml knows only XML's five named entities and character
// references: it never expands a declared entity and never fetches anything, so the DOCTYPE line
// every real DAT carries (naming the Logiqx DTD by its web address) is harmless. A document that
// declares entities of its own is refused rather than read with its references left as text: a DAT
// has no use for them, and a "billion laughs" or an external entity is an attack, not a catalogue.
#include "dats/DatReading.h"

#ifdef CARTOVEX_HAVE_PUGIXML
#include <algorithm>
#include <cstring>
#include <pugixml.hpp>
#endif

#include "common/Text.h"

namespace cartovex {

#ifdef CARTOVEX_HAVE_PUGIXML

bool XmlDatsSupported() {
    return true;
}

namespace dats {
namespace {

std::string Where(std::string_view text, size_t offset) {
    return "at line " + PlainNumber(static_cast<long long>(LineAt(text, offset)));
}

std::optional<std::string_view> Attribute(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) return std::nullopt;
    return std::string_view(attribute.value());
}

bool IsSetElement(const char* name) {
    return std::strcmp(name, "game") == 0 || std::strcmp(name, "machine") == 0 ||
           std::strcmp(name, "resource") == 0;
}

}  // namespace

std::optional<std::string> ReadLogiqxDat(std::string_view text, DatReading& reading, std::string* buffer) {
    pugi::xml_document document;
    constexpr unsigned OPTIONS = pugi::parse_default | pugi::parse_doctype;
    const pugi::xml_parse_result parsed =
        buffer ? document.load_buffer_inplace(buffer->data(), buffer->size(), OPTIONS, pugi::encoding_auto)
               : document.load_buffer(text.data(), text.size(), OPTIONS, pugi::encoding_auto);
    if (!parsed) {
        const size_t offset = static_cast<size_t>(std::max<ptrdiff_t>(parsed.offset, 0));
        // An error at the very end, or in a tag that never closes, is a file that stops in the
        // middle: a download or a copy cut short, which the user should fetch again.
        const size_t end = text.find_last_not_of(" \t\r\n\0", std::string_view::npos, 5);
        const bool cutOff = end == std::string_view::npos || offset > end ||
                            text.find('>', std::min(offset, text.size())) == std::string_view::npos;
        if (parsed.status != pugi::status_no_document_element && cutOff)
            return "cut off in the middle (its elements are not closed " + Where(text, offset) + ")";
        return std::string("not XML: ") + parsed.description() + " " + Where(text, offset);
    }
    for (const pugi::xml_node& node : document.children()) {
        if (node.type() != pugi::node_doctype) continue;
        const std::string_view declarations = node.value();
        if (declarations.find("<!ENTITY") != std::string_view::npos)
            return "declares entities, which are not expanded";
    }

    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "datafile") != 0 && std::strcmp(root.name(), "mame") != 0)
        return std::string("not a DAT: its XML is a <") + root.name() + "> document, not a <datafile>";

    if (const pugi::xml_node header = root.child("header")) {
        reading.name = header.child_value("name");
        reading.description = header.child_value("description");
        reading.version = header.child_value("version");
    }
    for (const pugi::xml_node& set : root.children()) {
        if (set.type() != pugi::node_element || !IsSetElement(set.name())) continue;
        DatGame game;
        game.name = set.attribute("name").value();
        game.description = set.child_value("description");
        for (const pugi::xml_node& rom : set.children("rom")) {
            RomFields fields;
            fields.name = rom.attribute("name").value();
            fields.size = Attribute(rom, "size");
            fields.crc = Attribute(rom, "crc");
            fields.md5 = Attribute(rom, "md5");
            fields.sha1 = Attribute(rom, "sha1");
            AddRom(reading, game, fields);
        }
        AddGame(reading, std::move(game));
    }
    return std::nullopt;
}

}  // namespace dats

#else

bool XmlDatsSupported() {
    return false;
}

namespace dats {
std::optional<std::string> ReadLogiqxDat(std::string_view, DatReading&, std::string*) {
    return "an XML DAT, which this build can't read (use the clrmamepro form)";
}
}  // namespace dats

#endif

}  // namespace cartovex
