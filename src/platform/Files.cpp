#include "platform/Files.h"

#include "common/Text.h"
#include "platform/FolderNames.h"

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

std::shared_ptr<const FolderNames> Files::CurrentFolderNames() const {
    return std::make_shared<const FolderNames>(ListCurrentFolder("*"));
}

std::string Files::Join(std::string_view folder, std::string_view name) const {
    std::string path(folder);
    if (path.empty() || path.back() != Separator()) path += Separator();
    path += name;
    return path;
}

namespace {
bool SameLetter(char a, char b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
}
}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative matcher with one backtrack point: linear in practice and without recursion, so a
    // hostile pattern or name can't blow the stack.
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || SameLetter(pattern[p], name[n]))) {
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
