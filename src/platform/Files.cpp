#include "platform/Files.h"

#include "common/Text.h"

namespace cartovex {

std::optional<std::string> Files::ReadFile(const std::string& path, size_t maxBytes) const {
    auto length = FileLength(path);
    if (!length) return std::nullopt;
    std::string data(static_cast<size_t>(std::min<uint64_t>(*length, maxBytes)), '\0');
    if (data.empty()) return data;
    auto read = ReadAt(path, 0, {reinterpret_cast<uint8_t*>(data.data()), data.size()});
    if (!read) return std::nullopt;
    data.resize(*read);
    return data;
}

std::string Files::Join(std::string_view folder, std::string_view name) const {
    std::string path(folder);
    if (path.empty() || path.back() != Separator()) path += Separator();
    path += name;
    return path;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative matcher with one backtrack point: linear in practice and without recursion, so a
    // hostile pattern or name can't blow the stack.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || EqualsIgnoringAsciiCase(pattern.substr(p, 1), name.substr(n, 1)))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace cartovex
