#include "outputs/TitleCheck.h"

#include "common/Text.h"

namespace cartovex {

namespace {

// "PRE" + separator + two number characters + ".mp3".
constexpr size_t LONGEST_SUFFIX_BYTES = 3 + 1 + 2 + 4;

bool IsForbiddenByte(unsigned char c) {
    if (c < 0x20 || c == 0x7F) return true;
    switch (c) {
        case '/':
        case '\\':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return true;
        default:
            return false;
    }
}

// Windows opens the device instead of the file for these names, whatever follows the first dot,
// and it ignores blanks before that dot ("NUL .txt" is the device too). COM and LPT take a digit
// from 0 to 9 or a superscript one to three, which reaches us as a byte of the disc's character
// set or as UTF-8 from a Linux file name.
bool IsDeviceName(std::string_view name) {
    std::string base = AsciiUpper(TrimRight(name.substr(0, name.find('.'))));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (!base.starts_with("COM") && !base.starts_with("LPT")) return false;
    const std::string_view number = std::string_view(base).substr(3);
    if (number.size() == 1 && number[0] >= '0' && number[0] <= '9') return true;
    for (std::string_view superscript : {"\xB9", "\xB2", "\xB3", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"})
        if (number == superscript) return true;
    return false;
}

}  // namespace

bool IsUsableFileName(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.size() > MAX_FILE_NAME_BYTES) return false;
    for (char c : name)
        if (IsForbiddenByte(static_cast<unsigned char>(c))) return false;
    // Windows drops a final dot or blank, so the file would not carry the name we gave it.
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

bool IsUsableTitle(std::string_view title) {
    return IsUsableFileName(title) && title.size() + LONGEST_SUFFIX_BYTES <= MAX_FILE_NAME_BYTES;
}

}  // namespace cartovex
