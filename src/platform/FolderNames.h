// One listing of a folder's ordinary files, in name order, with the names grouped by extension so
// "*.mp3"-style questions are answered without running through every name: a folder of thousands
// of images is asked a handful of them for each image.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

/// Lists sorted with NameLess, kept sorted as names come and go; a name is held once.
void InsertInNameOrder(std::vector<std::string>& names, const std::string& name);
void EraseFromNameOrder(std::vector<std::string>& names, const std::string& name);
bool HasInNameOrder(const std::vector<std::string>& names, const std::string& name);

class FolderNames {
public:
    FolderNames() = default;
    /// `names` as a listing gives them: sorted with NameLess.
    explicit FolderNames(std::vector<std::string> names);

    const std::vector<std::string>& All() const { return names_; }
    /// The names a wildcard pattern matches (ASCII case-insensitively), in listing order.
    std::vector<std::string> Matching(std::string_view pattern) const;
    bool AnyMatches(std::string_view pattern) const;
    int CountMatching(std::string_view pattern) const;
    /// The first matching name in listing order, or empty.
    std::string FirstMatching(std::string_view pattern) const;
    bool Has(const std::string& name) const;

    /// Keeps the listing true after the name was created or removed.
    void Add(const std::string& name);
    void Remove(const std::string& name);

private:
    /// The names of an "*.ext" pattern's extension, or nothing for any other pattern.
    const std::vector<std::string>* ByExtension(std::string_view pattern, bool& indexed) const;

    std::vector<std::string> names_;
    std::map<std::string, std::vector<std::string>> byExtension_;  // lower-cased extension -> names
};

}  // namespace cartovex
