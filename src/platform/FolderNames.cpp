#include "platform/FolderNames.h"

#include <algorithm>

#include "common/Text.h"
#include "platform/Files.h"

namespace cartovex {

namespace {

bool InOrder(const std::string& a, const std::string& b) {
    return NameLess(a, b);
}

// The lower-cased text after a name's last dot; a name without a dot has none.
bool ExtensionOf(std::string_view name, std::string& extension) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    extension = AsciiLower(name.substr(dot + 1));
    return true;
}

}  // namespace

void InsertInNameOrder(std::vector<std::string>& names, const std::string& name) {
    auto at = std::lower_bound(names.begin(), names.end(), name, InOrder);
    if (at == names.end() || *at != name) names.insert(at, name);
}

void EraseFromNameOrder(std::vector<std::string>& names, const std::string& name) {
    auto at = std::lower_bound(names.begin(), names.end(), name, InOrder);
    if (at != names.end() && *at == name) names.erase(at);
}

bool HasInNameOrder(const std::vector<std::string>& names, const std::string& name) {
    auto at = std::lower_bound(names.begin(), names.end(), name, InOrder);
    return at != names.end() && *at == name;
}

FolderNames::FolderNames(std::vector<std::string> names) : names_(std::move(names)) {
    std::string extension;
    for (const std::string& name : names_)
        if (ExtensionOf(name, extension)) byExtension_[extension].push_back(name);
}

// "*.mp3" matches exactly the names that end in ".mp3", which are the names whose last extension
// is "mp3", as long as the pattern's extension holds no dot or wildcard of its own.
const std::vector<std::string>* FolderNames::ByExtension(std::string_view pattern, bool& indexed) const {
    indexed = pattern.size() > 2 && pattern.substr(0, 2) == "*." &&
              pattern.find_first_of("*?.", 2) == std::string_view::npos;
    if (!indexed) return nullptr;
    auto it = byExtension_.find(AsciiLower(pattern.substr(2)));
    return it == byExtension_.end() ? nullptr : &it->second;
}

std::vector<std::string> FolderNames::Matching(std::string_view pattern) const {
    bool indexed = false;
    if (const auto* names = ByExtension(pattern, indexed)) return *names;
    if (indexed) return {};
    std::vector<std::string> matching;
    for (const std::string& name : names_)
        if (WildcardMatch(pattern, name)) matching.push_back(name);
    return matching;
}

bool FolderNames::AnyMatches(std::string_view pattern) const {
    return !FirstMatching(pattern).empty();
}

int FolderNames::CountMatching(std::string_view pattern) const {
    bool indexed = false;
    if (const auto* names = ByExtension(pattern, indexed)) return static_cast<int>(names->size());
    if (indexed) return 0;
    return static_cast<int>(std::count_if(
        names_.begin(), names_.end(), [&](const std::string& name) { return WildcardMatch(pattern, name); }));
}

std::string FolderNames::FirstMatching(std::string_view pattern) const {
    bool indexed = false;
    if (const auto* names = ByExtension(pattern, indexed))
        return names->empty() ? std::string() : names->front();
    if (indexed) return {};
    for (const std::string& name : names_)
        if (WildcardMatch(pattern, name)) return name;
    return {};
}

bool FolderNames::Has(const std::string& name) const {
    return HasInNameOrder(names_, name);
}

void FolderNames::Add(const std::string& name) {
    if (Has(name)) return;
    InsertInNameOrder(names_, name);
    std::string extension;
    if (ExtensionOf(name, extension)) InsertInNameOrder(byExtension_[extension], name);
}

void FolderNames::Remove(const std::string& name) {
    if (!Has(name)) return;
    EraseFromNameOrder(names_, name);
    std::string extension;
    if (ExtensionOf(name, extension)) EraseFromNameOrder(byExtension_[extension], name);
}

}  // namespace cartovex
