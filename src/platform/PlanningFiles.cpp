#include "platform/PlanningFiles.h"

#include <algorithm>
#include <cstring>

#include "common/Text.h"
#include "platform/FolderNames.h"

namespace cartovex {

PlanningFiles::PlanningFiles(const Files& real, Report report)
    : real_(real), report_(std::move(report)), current_(Absolute(real.CurrentDirectory())) {}

char PlanningFiles::Separator() const {
    return real_.Separator();
}

// Paths are compared as text, so every path is made absolute and normalised first: no "." or ".."
// pieces, no doubled or trailing separator.
std::string PlanningFiles::Absolute(const std::string& path) const {
    const char separator = Separator();
    const bool windows = separator == '\\';
    auto isSeparator = [&](char c) { return c == separator || (windows && c == '/'); };
    const bool drive = windows && path.size() >= 2 && path[1] == ':';
    const bool rooted = !path.empty() && isSeparator(path[0]);
    std::string full = path;
    if (!rooted && !drive) full = current_ + separator + path;

    std::string root;
    size_t at = 0;
    if (windows && full.size() >= 2 && full[1] == ':') {
        root = full.substr(0, 2) + separator;
        at = 2;
    } else if (windows && full.size() >= 2 && isSeparator(full[0]) && isSeparator(full[1])) {
        root = std::string(2, separator);  // a share: \\server\share
        at = 2;
    } else {
        root = std::string(1, separator);
    }
    std::vector<std::string> pieces;
    while (at <= full.size()) {
        size_t end = at;
        while (end < full.size() && !isSeparator(full[end])) ++end;
        const std::string piece = full.substr(at, end - at);
        if (piece == "..") {
            if (!pieces.empty()) pieces.pop_back();
        } else if (!piece.empty() && piece != ".") {
            pieces.push_back(piece);
        }
        at = end + 1;
    }
    std::string result = root;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) result += separator;
        result += pieces[i];
    }
    return result;
}

std::string PlanningFiles::Parent(const std::string& path) const {
    const size_t cut = path.rfind(Separator());
    if (cut == std::string::npos) return path;
    // The root keeps its separator.
    if (cut + 1 == path.size() || path.find(Separator()) == cut) return path.substr(0, cut + 1);
    return path.substr(0, cut);
}

std::string PlanningFiles::LastPiece(const std::string& path) const {
    const size_t cut = path.rfind(Separator());
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool PlanningFiles::IsAtOrBelow(const std::string& path, const std::string& base) const {
    return PathIsAtOrBelow(path, base, Separator());
}

bool PlanningFiles::IsHiddenName(const std::string& name) const {
    // Dot-files are hidden on Linux; on Windows the real listing judges by attributes.
    return Separator() == '/' && !name.empty() && name[0] == '.';
}

// Walks the planned changes backwards from the latest: a path written is that content, a path
// below a rename's target came from below its source, and a path removed (deleted, or renamed
// away) is gone unless a later change brought something back there.
PlanningFiles::Origin PlanningFiles::Resolve(const std::string& absolutePath) const {
    std::string path = absolutePath;
    for (auto change = changes_.rbegin(); change != changes_.rend(); ++change) {
        switch (change->kind) {
            case Change::Kind::WRITE:
                if (path == change->path) return {Origin::Kind::WRITTEN, {}, &change->content};
                if (IsAtOrBelow(path, change->path)) return {Origin::Kind::MISSING, {}};
                break;
            case Change::Kind::DELETE:
                if (IsAtOrBelow(path, change->path)) return {Origin::Kind::MISSING, {}};
                break;
            case Change::Kind::RENAME:
                if (IsAtOrBelow(path, change->target))
                    path = change->path + path.substr(change->target.size());
                else if (IsAtOrBelow(path, change->path))
                    return {Origin::Kind::MISSING, {}};
                break;
        }
    }
    return {Origin::Kind::REAL, path};
}

// The names in a folder of the planned state: the real folder's entries still standing where they
// were, and what the run wrote or moved into it.
std::vector<std::string> PlanningFiles::Entries(const std::string& folder, ListingFailures* failures) const {
    std::vector<std::string> names;
    const Origin origin = Resolve(folder);
    if (origin.kind == Origin::Kind::REAL && RealFact(Fact::DIRECTORY, origin.path)) {
        for (const std::string& name : real_.ListTopLevel(origin.path, failures)) {
            const Origin entry = Resolve(Join(folder, name));
            if (entry.kind == Origin::Kind::REAL && entry.path == Join(origin.path, name))
                names.push_back(name);
        }
    }
    for (size_t i = 0; i < changes_.size(); ++i) {
        if (changes_[i].kind == Change::Kind::DELETE) continue;
        const std::string& arrived = arrivedNow_[i];
        if (Parent(arrived) != folder) continue;
        const std::string name = LastPiece(arrived);
        if (IsHiddenName(name) || std::find(names.begin(), names.end(), name) != names.end()) continue;
        if (Exists(arrived)) names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NameLess);
    return names;
}

// The plan asks the same few questions of the real disc again and again (is the folder there, is
// the name free): each is asked of it once.
bool PlanningFiles::RealFact(Fact fact, const std::string& path) const {
    const auto key = std::make_pair(fact, path);
    if (const auto known = realFacts_.find(key); known != realFacts_.end()) return known->second;
    bool answer = false;
    if (const auto listed = ListedFact(fact, path))
        answer = *listed;
    else
        answer = fact == Fact::DIRECTORY      ? real_.IsDirectory(path)
                 : fact == Fact::REGULAR_FILE ? real_.IsRegularFile(path)
                                              : real_.Exists(path);
    realFacts_.emplace(key, answer);
    return answer;
}

// A name in a folder whose listing the real files keep (a mass run shares its listings): whether
// it is there, as an ordinary file or a folder. A listing of the current folder leaves hidden names
// out, and a disc that ignores case answers for names the listing spells otherwise, so those are
// asked of the disc; a listing a while old can be wrong, but a rename never replaces and a write
// never goes through anything but an ordinary file, so the commit finds out safely.
std::optional<bool> PlanningFiles::ListedFact(Fact fact, const std::string& path) const {
    if (!listsReal_) return std::nullopt;
    if (const auto listed = real_.KeptListingSays(path)) {
        if (fact == Fact::DIRECTORY) return *listed == ListedKind::FOLDER;
        if (fact == Fact::REGULAR_FILE) return *listed == ListedKind::FILE;
        return *listed != ListedKind::NOTHING;
    }
    const std::string name = LastPiece(path);
    if (name.empty() || IsHiddenName(name) || fact == Fact::DIRECTORY ||
        Parent(path) != Absolute(real_.CurrentDirectory()))
        return std::nullopt;
    const auto files = real_.CurrentFolderNames();
    if (fact == Fact::REGULAR_FILE) return files->Has(name);
    if (files->Has(name)) return true;
    // Taken once per folder: a folder of thousands of images would be copied for every name asked.
    auto folder = realEntries_.find(Parent(path));
    if (folder == realEntries_.end())
        folder = realEntries_.emplace(Parent(path), real_.ListTopLevel(Parent(path))).first;
    const std::vector<std::string>& entries = folder->second;
    if (HasInNameOrder(entries, name)) return true;
    // Not listed under that spelling: only a disc that ignores case could still answer yes.
    for (const std::string& entry : entries)
        if (EqualsIgnoringAsciiCase(entry, name)) return std::nullopt;
    return false;
}

bool PlanningFiles::IsQuiet(const std::string& absolutePath) const {
    return std::find(quietNames_.begin(), quietNames_.end(), LastPiece(absolutePath)) != quietNames_.end();
}

std::string PlanningFiles::CurrentDirectory() const {
    return current_;
}

bool PlanningFiles::SetCurrentDirectory(const std::string& path) {
    if (path.empty()) return false;
    const std::string target = Absolute(path);
    if (!IsDirectory(target)) return false;
    current_ = target;
    return true;
}

bool PlanningFiles::ListsAsReal() const {
    if (current_ != Absolute(real_.CurrentDirectory())) return false;
    return std::none_of(changes_.begin(), changes_.end(), [this](const Change& change) {
        if (IsAtOrBelow(change.path, current_) || IsAtOrBelow(current_, change.path)) return true;
        return change.kind == Change::Kind::RENAME &&
               (IsAtOrBelow(change.target, current_) || IsAtOrBelow(current_, change.target));
    });
}

std::shared_ptr<const FolderNames> PlanningFiles::CurrentFolderNames() const {
    // A run over many folders shares the real listings while it plans in a folder it hasn't changed.
    return ListsAsReal() ? real_.CurrentFolderNames() : Files::CurrentFolderNames();
}

std::vector<std::string> PlanningFiles::ListCurrentFolder(std::string_view pattern) const {
    if (ListsAsReal()) return real_.ListCurrentFolder(pattern);
    std::vector<std::string> names;
    for (const std::string& name : Entries(current_))
        if (WildcardMatch(pattern, name) && IsRegularFile(Join(current_, name))) names.push_back(name);
    return names;
}

std::vector<std::string> PlanningFiles::ListTopLevel(const std::string& folder,
                                                     ListingFailures* failures) const {
    return Entries(Absolute(folder), failures);
}

std::vector<std::string> PlanningFiles::ListFilesRecursive(const std::string& folder,
                                                           const std::vector<std::string>& extensions,
                                                           ListingFailures* failures) const {
    // Before the first change the real listing is the plan's (and knows about links to folders).
    if (changes_.empty()) {
        const bool absolute =
            !folder.empty() &&
            (folder[0] == Separator() || (Separator() == '\\' && folder.size() >= 2 && folder[1] == ':'));
        return real_.ListFilesRecursive(absolute ? folder : Absolute(folder), extensions, failures);
    }
    const std::string base = Absolute(folder);
    std::vector<std::string> result, folders;
    for (const std::string& name : Entries(base, failures)) {
        const std::string path = Join(base, name);
        if (IsDirectory(path)) {
            folders.push_back(path);
            continue;
        }
        if (!IsRegularFile(path)) continue;
        for (const std::string& extension : extensions) {
            if (EndsWithIgnoringAsciiCase(name, "." + extension)) {
                result.push_back(path);
                break;
            }
        }
    }
    for (const std::string& below : folders) {
        auto files = ListFilesRecursive(below, extensions, failures);
        result.insert(result.end(), files.begin(), files.end());
    }
    return result;
}

bool PlanningFiles::IsRegularFile(const std::string& path) const {
    const Origin origin = Resolve(Absolute(path));
    return origin.kind == Origin::Kind::WRITTEN ||
           (origin.kind == Origin::Kind::REAL && RealFact(Fact::REGULAR_FILE, origin.path));
}

bool PlanningFiles::IsDirectory(const std::string& path) const {
    const Origin origin = Resolve(Absolute(path));
    return origin.kind == Origin::Kind::REAL && RealFact(Fact::DIRECTORY, origin.path);
}

bool PlanningFiles::Exists(const std::string& path) const {
    const Origin origin = Resolve(Absolute(path));
    return origin.kind == Origin::Kind::WRITTEN ||
           (origin.kind == Origin::Kind::REAL && RealFact(Fact::EXISTS, origin.path));
}

std::optional<uint64_t> PlanningFiles::FileLength(const std::string& path) const {
    const Origin origin = Resolve(Absolute(path));
    if (origin.kind == Origin::Kind::WRITTEN) return origin.content->size();
    if (origin.kind == Origin::Kind::REAL) return real_.FileLength(origin.path);
    return std::nullopt;
}

// A file the plan wrote has no stamp: nothing may take it as the one on disc.
std::optional<FileStamp> PlanningFiles::Stamp(const std::string& path) const {
    const Origin origin = Resolve(Absolute(path));
    if (origin.kind == Origin::Kind::REAL) return real_.Stamp(origin.path);
    return std::nullopt;
}

std::optional<size_t> PlanningFiles::ReadAt(const std::string& path, uint64_t offset,
                                            std::span<uint8_t> out) const {
    const Origin origin = Resolve(Absolute(path));
    if (origin.kind == Origin::Kind::REAL) return real_.ReadAt(origin.path, offset, out);
    if (origin.kind == Origin::Kind::MISSING) return std::nullopt;
    const std::string& content = *origin.content;
    if (offset >= content.size()) return 0;
    const size_t n = std::min(out.size(), static_cast<size_t>(content.size() - offset));
    std::memcpy(out.data(), content.data() + offset, n);
    return n;
}

// What each change brought is followed through the renames after it, with its folder or by itself,
// as they are planned: a listing then finds where each stands now without replaying them.
void PlanningFiles::Plan(Change change) {
    if (change.kind == Change::Kind::RENAME)
        for (std::string& arrived : arrivedNow_)
            if (!arrived.empty() && IsAtOrBelow(arrived, change.path))
                arrived = change.target + arrived.substr(change.path.size());
    arrivedNow_.push_back(change.kind == Change::Kind::WRITE    ? change.path
                          : change.kind == Change::Kind::RENAME ? change.target
                                                                : std::string());
    changes_.push_back(std::move(change));
}

bool PlanningFiles::WriteFile(const std::string& path, std::string_view content) {
    const std::string target = Absolute(path);
    // The real write would fail here too: no folder to hold the file, or a folder in its place. A
    // name that is free needs no second look.
    const bool taken = Exists(target);
    if (!IsDirectory(Parent(target)) || (taken && IsDirectory(target))) return false;
    Plan({Change::Kind::WRITE, target, {}, std::string(content), taken});
    if (!IsQuiet(target)) report_("would write " + target);
    return true;
}

bool PlanningFiles::DeleteFile(const std::string& path) {
    const std::string target = Absolute(path);
    if (!Exists(target) || IsDirectory(target)) return false;
    Plan({Change::Kind::DELETE, target, {}, {}});
    if (!IsQuiet(target)) report_("would delete " + target);
    return true;
}

bool PlanningFiles::Rename(const std::string& from, const std::string& to) {
    const std::string source = Absolute(from), target = Absolute(to);
    if (!Exists(source)) return false;
    // The name it already has: the real rename succeeds and changes nothing.
    if (source == target) return true;
    // A case-only rename of the same file works where the disc ignores case; anything else that is
    // there already is never replaced.
    const Origin sourceOrigin = Resolve(source), targetOrigin = Resolve(target);
    const bool sameFile = EqualsIgnoringAsciiCase(source, target) && sourceOrigin.kind == targetOrigin.kind &&
                          sourceOrigin.path == targetOrigin.path &&
                          sourceOrigin.content == targetOrigin.content;
    if (Exists(target) && !sameFile) return false;
    if (!IsDirectory(Parent(target)) || IsAtOrBelow(target, source)) return false;
    Plan({Change::Kind::RENAME, source, target, {}});
    report_("would rename " + source + " -> " + target);
    return true;
}

bool PlanningFiles::ReplaceFile(const std::string& from, const std::string& to) {
    const std::string source = Absolute(from), target = Absolute(to);
    if (!IsRegularFile(source) || IsDirectory(target) || source == target) return false;
    if (Exists(target)) Plan({Change::Kind::DELETE, target, {}, {}});
    Plan({Change::Kind::RENAME, source, target, {}});
    report_("would replace " + target + " with " + source);
    return true;
}

bool PlanningFiles::ClearAttributes(const std::string& path) {
    return Exists(path);
}

}  // namespace cartovex
