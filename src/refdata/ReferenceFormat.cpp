#include "refdata/ReferenceFormat.h"

#include <string>

#include "common/Text.h"

namespace cartovex {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsUpperHexDigit(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'F');
}

template <typename Test>
bool NonEmptyAndAll(std::string_view text, Test test) {
    if (text.empty()) return false;
    for (char c : text)
        if (!test(c)) return false;
    return true;
}

// The loader reads a version as the leading number after blanks, with a sign.
bool IsVersionLine(std::string_view line) {
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (!line.empty() && (line.front() == '-' || line.front() == '+')) line.remove_prefix(1);
    return !line.empty() && IsDigit(line.front());
}

// name # checksum as the program writes it (upper-case, at most 8 digits) # audio tracks [# ...]
bool IsDatabaseEntry(std::string_view line) {
    const auto fields = Split(line, '#');
    return fields.size() >= 3 && !fields[0].empty() && fields[1].size() <= 8 &&
           NonEmptyAndAll(fields[1], IsUpperHexDigit) && NonEmptyAndAll(fields[2], IsDigit);
}

// code # name [# ...]
bool IsDeveloperEntry(std::string_view line) {
    const size_t hash = line.find('#');
    return hash != std::string_view::npos && NonEmptyAndAll(line.substr(0, hash), IsDigit);
}

}  // namespace

bool IsWholeReferenceFile(ReferenceFile kind, std::string_view data) {
    if (!data.ends_with("\r\n")) return false;
    data.remove_suffix(2);
    bool first = true;
    size_t start = 0;
    while (start <= data.size()) {
        size_t end = data.find("\r\n", start);
        if (end == std::string_view::npos) end = data.size();
        const std::string_view line = data.substr(start, end - start);
        // A lone CR or LF, a NUL or the end-of-file byte: not a line of ours, whatever else it is.
        if (line.find_first_of(std::string_view("\r\n\0\x1a", 4)) != std::string_view::npos) return false;
        const bool wellFormed = first                             ? IsVersionLine(line)
                                : kind == ReferenceFile::DATABASE ? IsDatabaseEntry(line)
                                                                  : IsDeveloperEntry(line);
        if (!wellFormed) return false;
        first = false;
        start = end + 2;
    }
    return true;
}

}  // namespace cartovex
