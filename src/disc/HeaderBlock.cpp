#include "disc/HeaderBlock.h"

#include <algorithm>

namespace cartovex {

std::string FieldText(const HeaderBlock& header, HeaderField f) {
    return std::string(reinterpret_cast<const char*>(header.data() + f.offset), f.length);
}

void SetFieldText(HeaderBlock& header, HeaderField f, std::string_view text) {
    for (size_t i = 0; i < f.length; ++i)
        header[f.offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : ' ';
}

bool HasSegaDiscId(const HeaderBlock& h) {
    std::string_view window(reinterpret_cast<const char*>(h.data()), 16);
    return window.find("SEGADISC") != std::string_view::npos;
}

static void NulCut(HeaderBlock& h, HeaderField f) {
    auto begin = h.begin() + static_cast<std::ptrdiff_t>(f.offset);
    auto end = begin + static_cast<std::ptrdiff_t>(f.length);
    std::fill(std::find(begin, end, uint8_t{0}), end, uint8_t{' '});
}

void ApplyNulCuts(HeaderBlock& h) {
    NulCut(h, field::SERIAL_FIELD);
    NulCut(h, field::SYSTEM_NAME);
    NulCut(h, field::TIME_STAMP);
}

}  // namespace cartovex
