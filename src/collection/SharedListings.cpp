#include "collection/SharedListings.h"

#include "common/Text.h"

namespace cartovex {

namespace {

// Linux lists no dot-file, so one coming or going changes no listing there (the run's journal is
// one). Windows lists it unless its attributes hide it, which only the platform can say.
enum class Listed { YES, NEVER, UNSURE };
Listed HowListed(const std::string& name, char separator) {
    if (name.empty()) return Listed::UNSURE;
    if (name[0] != '.') return Listed::YES;
    return separator == '/' ? Listed::NEVER : Listed::UNSURE;
}

// A listing someone else still reads is left as it was; changes go to a copy.
FolderNames& Writable(std::shared_ptr<FolderNames>& names) {
    if (names.use_count() > 1) names = std::make_shared<FolderNames>(*names);
    return *names;
}

// A path that names its folder one way only: absolute, without "." or ".." or empty pieces and
// without a separator at its end. Any other is left to the system to resolve.
bool IsPlainAbsolute(const std::string& path, char separator) {
    size_t start = 0;
    if (separator == '\\') {
        if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
        start = 3;
    } else {
        if (path.empty() || path[0] != '/') return false;
        start = 1;
    }
    if (start == path.size()) return true;  // a root
    for (size_t at = start; at <= path.size();) {
        const size_t end = std::min(path.find(separator, at), path.size());
        const std::string_view piece(path.data() + at, end - at);
        if (piece.empty() || piece == "." || piece == "..") return false;
        at = end + 1;
    }
    return true;
}

}  // namespace

bool SharedListingFiles::KeyLess::operator()(const std::string& a, const std::string& b) const {
    if (!ignoreCase) return a < b;
    return AsciiLower(a) < AsciiLower(b);
}

SharedListingFiles::Kept* SharedListingFiles::KeptFiles() const {
    const std::string here = CurrentDirectory();
    if (here.empty()) return nullptr;
    Kept& kept = kept_[here];
    if (!kept.files) {
        if (!Arrive()) return nullptr;
        kept.files = std::make_shared<FolderNames>(inner_.ListCurrentFolder("*"));
        ++listingsTaken_;
    }
    return &kept;
}

std::vector<std::string> SharedListingFiles::ListCurrentFolder(std::string_view pattern) const {
    if (const Kept* kept = KeptFiles()) return kept->files->Matching(pattern);
    return Arrive() ? inner_.ListCurrentFolder(pattern) : std::vector<std::string>();
}

std::shared_ptr<const FolderNames> SharedListingFiles::CurrentFolderNames() const {
    if (const Kept* kept = KeptFiles()) return kept->files;
    return Arrive() ? inner_.CurrentFolderNames() : std::make_shared<const FolderNames>();
}

std::vector<std::string> SharedListingFiles::ListTopLevel(const std::string& folder,
                                                          ListingFailures* failures) const {
    // Only the current folder is kept: its spelling is the one the run's changes are resolved by.
    if (folder != CurrentDirectory()) return inner_.ListTopLevel(Here(folder), failures);
    Kept& kept = kept_[folder];
    if (!kept.entries) {
        // A listing that failed is not kept: the next question asks again.
        ListingFailures failed;
        auto entries = inner_.ListTopLevel(folder, &failed);
        ++listingsTaken_;
        if (!failed.empty()) {
            if (failures) failures->insert(failures->end(), failed.begin(), failed.end());
            return entries;
        }
        kept.entries = std::move(entries);
    }
    return *kept.entries;
}

std::vector<std::string> SharedListingFiles::ListFilesRecursive(const std::string& folder,
                                                                const std::vector<std::string>& extensions,
                                                                ListingFailures* failures) const {
    return inner_.WalkFilesRecursive(Here(folder), extensions, failures, [this](WalkedFolder&& walked) {
        if (!IsPlainAbsolute(walked.folder, Separator())) return;
        Kept& kept = kept_[walked.folder];
        kept.files = std::make_shared<FolderNames>(std::move(walked.files));
        kept.entries = std::move(walked.entries);
        kept.folders = std::move(walked.folders);
        kept.hidden = std::move(walked.hidden);
    });
}

std::optional<ListedKind> SharedListingFiles::KeptListingSays(const std::string& path) const {
    const auto place = PlaceOf(path);
    if (!place) return std::nullopt;
    const auto it = kept_.find(place->folder);
    if (it == kept_.end()) return std::nullopt;
    const Kept& kept = it->second;
    switch (HowListed(place->name, Separator())) {
        case Listed::UNSURE:
            return std::nullopt;
        case Listed::NEVER:
            // The walk saw that a hidden name is there, not what it is.
            if (!kept.hidden || HasInNameOrder(*kept.hidden, place->name)) return std::nullopt;
            return NotListed(*kept.hidden, place->name);
        case Listed::YES:
            break;
    }
    if (kept.files && kept.files->Has(place->name)) return ListedKind::FILE;
    if (!kept.entries || !kept.folders) return std::nullopt;
    if (HasInNameOrder(*kept.folders, place->name)) return ListedKind::FOLDER;
    if (HasInNameOrder(*kept.entries, place->name)) return ListedKind::OTHER;
    return NotListed(*kept.entries, place->name);
}

std::optional<ListedKind> SharedListingFiles::NotListed(const std::vector<std::string>& listed,
                                                        const std::string& name) {
    // Not listed under that spelling: only a disc that ignores case could still hold it.
    for (const std::string& entry : listed)
        if (EqualsIgnoringAsciiCase(entry, name)) return std::nullopt;
    return ListedKind::NOTHING;
}

std::optional<SharedListingFiles::Place> SharedListingFiles::PlaceOf(const std::string& path) const {
    const char separator = inner_.Separator();
    const size_t last = path.find_last_of(separator == '\\' ? "\\/" : "/");
    if (last == std::string::npos) {
        if (path.empty() || path == "." || path == "..") return std::nullopt;
        return Place{CurrentDirectory(), path};
    }
    std::string folder = path.substr(0, last);
    std::string name = path.substr(last + 1);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    // A root keeps its separator, as the current directory names it.
    if (folder.empty() || folder.back() == ':') folder += separator;
    // Only a folder the run has listed can hold a kept listing; anything spelled another way
    // (relative, with "." or "..") is not worth guessing about.
    if (kept_.find(folder) == kept_.end()) {
        const bool plain = folder.find(std::string(1, separator) + ".") == std::string::npos &&
                           folder.find(std::string(2, separator)) == std::string::npos;
        const bool absolute = folder[0] == separator || (folder.size() > 1 && folder[1] == ':');
        if (!plain || !absolute) return std::nullopt;
    }
    return Place{folder, name};
}

std::string SharedListingFiles::CurrentDirectory() const {
    if (!current_) current_ = inner_.CurrentDirectory();
    return *current_;
}

bool SharedListingFiles::SetCurrentDirectory(const std::string& path) {
    if (current_ && *current_ == path) return true;
    if (IsPlainAbsolute(path, Separator()) && KeptListingSays(path) == ListedKind::FOLDER) {
        current_ = path;
        arrived_ = false;
        return true;
    }
    const std::string target = Here(path);
    current_.reset();
    arrived_ = true;
    if (!inner_.SetCurrentDirectory(target)) return false;
    if (IsPlainAbsolute(path, inner_.Separator())) current_ = path;
    return true;
}

std::string SharedListingFiles::Here(const std::string& path) const {
    if (arrived_ || !current_ || path.empty()) return path;
    const char separator = Separator();
    const bool absolute =
        path[0] == separator || (separator == '\\' && (path[0] == '/' || path.find(':') == 1));
    return absolute ? path : Join(*current_, path);
}

bool SharedListingFiles::Arrive() const {
    if (arrived_) return true;
    if (!inner_.SetCurrentDirectory(*current_)) return false;
    arrived_ = true;
    return true;
}

SharedListingFiles::Kept* SharedListingFiles::KeptFor(const std::string& folder) {
    auto it = kept_.find(folder);
    return it == kept_.end() ? nullptr : &it->second;
}

void SharedListingFiles::NameAdded(const Place& place) {
    Kept* kept = KeptFor(place.folder);
    if (!kept) return;
    const Listed listed = HowListed(place.name, inner_.Separator());
    if (listed == Listed::NEVER) {
        if (kept->hidden) InsertInNameOrder(*kept->hidden, place.name);
        return;
    }
    // A folder of that name, or a name the platform may hide: the platform knows best.
    if (listed == Listed::UNSURE ||
        (kept->entries && kept->files && HasInNameOrder(*kept->entries, place.name) &&
         !kept->files->Has(place.name))) {
        Forget(place.folder);
        return;
    }
    if (kept->files) Writable(kept->files).Add(place.name);
    if (kept->entries) InsertInNameOrder(*kept->entries, place.name);
}

void SharedListingFiles::NameRemoved(const Place& place) {
    Kept* kept = KeptFor(place.folder);
    if (!kept) return;
    if (kept->files && kept->files->Has(place.name)) Writable(kept->files).Remove(place.name);
    if (kept->entries) EraseFromNameOrder(*kept->entries, place.name);
    if (kept->folders) EraseFromNameOrder(*kept->folders, place.name);
    if (kept->hidden) EraseFromNameOrder(*kept->hidden, place.name);
}

bool SharedListingFiles::WriteFile(const std::string& path, std::string_view content) {
    const auto place = PlaceOf(path);
    const bool written = inner_.WriteFile(Here(path), content);
    if (!place) {
        ForgetAll();
    } else if (!written) {
        // A failed write may leave its scratch file behind.
        Forget(place->folder);
    } else {
        NameAdded(*place);
    }
    return written;
}

std::optional<std::string> SharedListingFiles::StageFile(const std::string& path, std::string_view content,
                                                         bool nameFree) {
    auto scratch = inner_.StageFile(Here(path), content, nameFree);
    if (const auto place = scratch ? PlaceOf(*scratch) : std::nullopt) NameAdded(*place);
    return scratch;
}

bool SharedListingFiles::PlaceStagedFile(const std::string& scratch, const std::string& path) {
    const auto place = PlaceOf(path);
    const bool placed = inner_.PlaceStagedFile(Here(scratch), Here(path));
    if (!place) {
        ForgetAll();
    } else if (placed) {
        if (const auto staged = PlaceOf(scratch)) NameRemoved(*staged);
        NameAdded(*place);
    }
    return placed;
}

bool SharedListingFiles::DiscardStagedFile(const std::string& scratch) {
    const auto place = PlaceOf(scratch);
    const bool discarded = inner_.DiscardStagedFile(Here(scratch));
    if (place && discarded) NameRemoved(*place);
    return discarded;
}

bool SharedListingFiles::DeleteFile(const std::string& path) {
    const auto place = PlaceOf(path);
    const bool deleted = inner_.DeleteFile(Here(path));
    if (!place)
        ForgetAll();
    else if (deleted)
        NameRemoved(*place);
    return deleted;
}

bool SharedListingFiles::Rename(const std::string& from, const std::string& to) {
    const auto source = PlaceOf(from);
    const auto target = PlaceOf(to);
    // Every kept path below a renamed folder changes with it. A name the kept listing knows needs
    // no asking.
    const auto listed = KeptListingSays(from);
    const bool folder = listed ? *listed == ListedKind::FOLDER : inner_.IsDirectory(Here(from));
    const bool followed =
        folder && source && target && IsPlainAbsolute(from, Separator()) && IsPlainAbsolute(to, Separator());
    // A folder renamed by paths the listings can't follow takes the system's current directory
    // with it, should it lie there; the run's own spelling of it is then asked afresh.
    if (folder && !followed && !Arrive()) return false;
    const bool renamed = inner_.Rename(Here(from), Here(to));
    if (!renamed) return false;
    // Neither a file nor a folder (a FIFO, a device), or something the listing didn't know of: the
    // kept listings can't tell what went where.
    if (listed == ListedKind::OTHER || listed == ListedKind::NOTHING) {
        ForgetAll();
        return true;
    }
    if (followed) {
        FolderRenamed(from, to, *source, *target);
        return true;
    }
    if (folder) current_.reset();
    if (folder || !source || !target) {
        ForgetAll();
        return true;
    }
    NameRemoved(*source);
    NameAdded(*target);
    return true;
}

// What was kept below the folder is kept under its new name; its parent lists the new name.
void SharedListingFiles::FolderRenamed(const std::string& from, const std::string& to, const Place& source,
                                       const Place& target) {
    std::vector<std::pair<std::string, Kept>> moved;
    for (auto it = kept_.begin(); it != kept_.end();) {
        const std::string& key = it->first;
        if (!PathIsAtOrBelow(key, from, Separator())) {
            ++it;
            continue;
        }
        moved.emplace_back(to + key.substr(from.size()), std::move(it->second));
        it = kept_.erase(it);
    }
    for (auto& [key, kept] : moved) kept_[key] = std::move(kept);
    for (const Place* place : {&source, &target}) {
        Kept* parent = KeptFor(place->folder);
        if (!parent) continue;
        auto follow = [&](std::optional<std::vector<std::string>>& names) {
            if (!names) return;
            if (place == &source)
                EraseFromNameOrder(*names, place->name);
            else
                InsertInNameOrder(*names, place->name);
        };
        if (HowListed(place->name, Separator()) == Listed::NEVER) {
            follow(parent->hidden);
        } else {
            follow(parent->entries);
            follow(parent->folders);
        }
    }
    if (current_ && PathIsAtOrBelow(*current_, from, Separator()))
        current_ = to + current_->substr(from.size());
}

bool SharedListingFiles::SyncFileSystems(const std::vector<std::string>& folders) {
    std::vector<std::string> whole;
    for (const std::string& folder : folders) whole.push_back(Here(folder));
    return inner_.SyncFileSystems(whole);
}

bool SharedListingFiles::ReplaceFile(const std::string& from, const std::string& to) {
    const auto source = PlaceOf(from);
    const auto target = PlaceOf(to);
    const bool replaced = inner_.ReplaceFile(Here(from), Here(to));
    if (!source || !target) {
        ForgetAll();
    } else if (!replaced) {
        Forget(source->folder);
        Forget(target->folder);
    } else {
        NameRemoved(*source);
        NameAdded(*target);
    }
    return replaced;
}

bool SharedListingFiles::ClearAttributes(const std::string& path) {
    const auto place = PlaceOf(path);
    const bool cleared = inner_.ClearAttributes(Here(path));
    // On Windows a file that was hidden or a system file is listed from now on.
    if (!place) {
        ForgetAll();
    } else if (Kept* kept = KeptFor(place->folder); kept && kept->files && !kept->files->Has(place->name)) {
        Forget(place->folder);
    }
    return cleared;
}

}  // namespace cartovex
