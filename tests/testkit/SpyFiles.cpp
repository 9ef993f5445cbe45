#include "testkit/SpyFiles.h"

namespace cartovex::testkit {

int SpyFiles::Calls(const std::string& method) const {
    auto it = calls_.find(method);
    return it == calls_.end() ? 0 : it->second;
}

bool SpyFiles::Matches(const std::string& path, const std::string& target) const {
    if (path == target) return true;
    const size_t last = path.find_last_of(inner_.Separator());
    return last != std::string::npos && path.compare(last + 1, std::string::npos, target) == 0;
}

bool SpyFiles::Record(const std::string& method, const std::string& path) const {
    ++calls_[method];
    for (size_t i = 0; i < hooks_.size(); ++i) {
        if (hooks_[i].method != method || !Matches(path, hooks_[i].path)) continue;
        // Taken out first: the action may call back into these files.
        auto action = std::move(hooks_[i].action);
        hooks_.erase(hooks_.begin() + static_cast<std::ptrdiff_t>(i));
        action();
        break;
    }
    for (const auto& [failing, target] : failures_)
        if (failing == method && Matches(path, target)) return true;
    for (const auto& [failing, when] : failWhen_)
        if (failing == method && when(path)) return true;
    return false;
}

char SpyFiles::Separator() const {
    return inner_.Separator();
}

std::string SpyFiles::CurrentDirectory() const {
    Record("CurrentDirectory");
    return inner_.CurrentDirectory();
}

bool SpyFiles::SetCurrentDirectory(const std::string& path) {
    return !Record("SetCurrentDirectory", path) && inner_.SetCurrentDirectory(path);
}

std::vector<std::string> SpyFiles::ListCurrentFolder(std::string_view pattern) const {
    if (Record("ListCurrentFolder", std::string(pattern))) return {};
    return inner_.ListCurrentFolder(pattern);
}

std::vector<std::string> SpyFiles::ListTopLevel(const std::string& folder, ListingFailures* failures) const {
    if (Record("ListTopLevel", folder)) return Unreadable(folder, failures);
    return inner_.ListTopLevel(folder, failures);
}

std::vector<std::string> SpyFiles::ListFilesRecursive(const std::string& folder,
                                                      const std::vector<std::string>& extensions,
                                                      ListingFailures* failures) const {
    if (Record("ListFilesRecursive", folder)) return Unreadable(folder, failures);
    return inner_.ListFilesRecursive(folder, extensions, failures);
}

std::vector<std::string> SpyFiles::WalkFilesRecursive(const std::string& folder,
                                                      const std::vector<std::string>& extensions,
                                                      ListingFailures* failures,
                                                      const FolderWalked& walked) const {
    if (Record("ListFilesRecursive", folder)) return Unreadable(folder, failures);
    return inner_.WalkFilesRecursive(folder, extensions, failures, walked);
}

std::vector<std::string> SpyFiles::Unreadable(const std::string& folder, ListingFailures* failures) {
    if (failures) failures->push_back({folder, ListingFailure::Reason::UNREADABLE});
    return {};
}

bool SpyFiles::IsRegularFile(const std::string& path) const {
    return !Record("IsRegularFile", path) && inner_.IsRegularFile(path);
}

bool SpyFiles::IsDirectory(const std::string& path) const {
    return !Record("IsDirectory", path) && inner_.IsDirectory(path);
}

bool SpyFiles::IsLink(const std::string& path) const {
    return !Record("IsLink", path) && inner_.IsLink(path);
}

bool SpyFiles::Exists(const std::string& path) const {
    return !Record("Exists", path) && inner_.Exists(path);
}

std::optional<uint64_t> SpyFiles::FileLength(const std::string& path) const {
    if (Record("FileLength", path)) return std::nullopt;
    return inner_.FileLength(path);
}

std::optional<FileStamp> SpyFiles::Stamp(const std::string& path) const {
    if (Record("Stamp", path)) return std::nullopt;
    return inner_.Stamp(path);
}

std::optional<size_t> SpyFiles::ReadAt(const std::string& path, uint64_t offset,
                                       std::span<uint8_t> out) const {
    if (Record("ReadAt", path)) return std::nullopt;
    return inner_.ReadAt(path, offset, out);
}

std::string SpyFiles::Full(const std::string& path) const {
    return !path.empty() && path[0] == inner_.Separator() ? path
                                                          : inner_.Join(inner_.CurrentDirectory(), path);
}

bool SpyFiles::WriteFile(const std::string& path, std::string_view content) {
    const bool done = !Record("WriteFile", path) && inner_.WriteFile(path, content);
    if (done) changes_.push_back("write " + Full(path));
    return done;
}

std::optional<std::string> SpyFiles::StageFile(const std::string& path, std::string_view content,
                                               bool nameFree) {
    if (Record("WriteFile", path)) return std::nullopt;
    return inner_.StageFile(path, content, nameFree);
}

bool SpyFiles::PlaceStagedFile(const std::string& scratch, const std::string& path) {
    const bool done = !Record("PlaceStagedFile", path) && inner_.PlaceStagedFile(scratch, path);
    if (done) changes_.push_back("write " + Full(path));
    return done;
}

bool SpyFiles::SyncFileSystems(const std::vector<std::string>& folders) {
    return !Record("SyncFileSystems") && inner_.SyncFileSystems(folders);
}

bool SpyFiles::SyncFileSystemsAgain() {
    return !Record("SyncFileSystems") && inner_.SyncFileSystemsAgain();
}

bool SpyFiles::DeleteFile(const std::string& path) {
    const bool done = !Record("DeleteFile", path) && inner_.DeleteFile(path);
    if (done) changes_.push_back("delete " + Full(path));
    return done;
}

bool SpyFiles::Rename(const std::string& from, const std::string& to) {
    const bool done = !Record("Rename", from) && inner_.Rename(from, to);
    if (done && Full(from) != Full(to)) changes_.push_back("rename " + Full(from) + " -> " + Full(to));
    return done;
}

bool SpyFiles::ReplaceFile(const std::string& from, const std::string& to) {
    return !Record("ReplaceFile", to) && inner_.ReplaceFile(from, to);
}

bool SpyFiles::ClearAttributes(const std::string& path) {
    return !Record("ClearAttributes", path) && inner_.ClearAttributes(path);
}

void SpyFiles::RemoveStaleScratchFiles(const std::string& folder) {
    if (!Record("RemoveStaleScratchFiles", folder)) inner_.RemoveStaleScratchFiles(folder);
}

}  // namespace cartovex::testkit
