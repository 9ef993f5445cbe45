#include "common/Text.h"

#include <algorithm>
#include <limits>

namespace cartovex {

std::string HexForm(uint32_t value) {
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    if (value == 0) return "0";
    std::string text;
    while (value != 0) {
        text.insert(text.begin(), DIGITS[value & 0xF]);
        value >>= 4;
    }
    return text;
}

std::string NumberText(long long value) {
    return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

std::string PlainNumber(long long value) { return std::to_string(value); }

std::string Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(begin, end - begin + 1));
}

std::string TrimRight(std::string_view text) {
    size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

static char LowerByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
static char UpperByte(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerByte);
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), UpperByte);
    return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerByte(a[i]) != LowerByte(b[i])) return false;
    return true;
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

bool NameLess(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(LowerByte(a[i]));
        auto cb = static_cast<unsigned char>(LowerByte(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

long long ReadNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), READ_NUMBER_LIMIT);
    return negative ? -value : value;
}

int16_t SaturateInt16(long long value) {
    return static_cast<int16_t>(std::clamp<long long>(value, std::numeric_limits<int16_t>::min(),
                                                      std::numeric_limits<int16_t>::max()));
}

std::vector<std::string> Split(std::string_view text, char separator, size_t maxPieces) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (true) {
        if (maxPieces != 0 && pieces.size() == maxPieces) break;
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            pieces.emplace_back(text.substr(start));
            break;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
    return pieces;
}

std::string Piece(std::string_view text, char separator, size_t index) {
    size_t start = 0;
    for (size_t k = 0; k < index; ++k) {
        size_t at = text.find(separator, start);
        if (at == std::string_view::npos) return {};
        start = at + 1;
    }
    size_t end = text.find(separator, start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

LineReader::LineReader(std::string_view data) : data_(data) {
    size_t eof = data_.find('\x1A');
    if (eof != std::string_view::npos) data_ = data_.substr(0, eof);
}

bool LineReader::Next(std::string& line) {
    if (pos_ >= data_.size()) return false;
    size_t cr = data_.find('\r', pos_);
    if (cr == std::string_view::npos) {
        line.assign(data_.substr(pos_));
        pos_ = data_.size();
        return true;
    }
    line.assign(data_.substr(pos_, cr - pos_));
    pos_ = cr + 1;
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    return true;
}

std::vector<std::string> ReadLines(std::string_view data) {
    std::vector<std::string> lines;
    LineReader reader(data);
    std::string line;
    while (reader.Next(line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> SplitAnyLineEnds(std::string_view data) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(data.substr(start));
            break;
        }
        lines.emplace_back(data.substr(start, end - start));
        start = end + ((data[end] == '\r' && end + 1 < data.size() && data[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

}  // namespace cartovex
