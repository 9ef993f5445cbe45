#include "platform/posix/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "common/Text.h"

namespace cartovex {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

enum class EntryKind { FILE, FOLDER, LINKED_FOLDER, OTHER };

/// What a name is, links followed; nothing for a name that can't be looked up (a dangling link).
/// The folder itself says for nearly every name, so a big folder costs no lookup per name; only
/// links, and file systems that don't say, are asked.
std::optional<EntryKind> KindOf(unsigned char type, const std::string& folder, const std::string& name) {
    if (type == DT_REG) return EntryKind::FILE;
    if (type == DT_DIR) return EntryKind::FOLDER;
    if (type != DT_LNK && type != DT_UNKNOWN) return EntryKind::OTHER;
    const std::string path =
        folder.empty() ? name : (folder.back() == '/' ? folder + name : folder + "/" + name);
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return std::nullopt;
    const bool link = S_ISLNK(info.st_mode);
    if (link && stat(path.c_str(), &info) != 0) return std::nullopt;
    if (S_ISREG(info.st_mode)) return EntryKind::FILE;
    if (S_ISDIR(info.st_mode)) return link ? EntryKind::LINKED_FOLDER : EntryKind::FOLDER;
    return EntryKind::OTHER;
}

/// Why a folder couldn't be read, from the error; nothing for a folder that isn't there at all.
std::optional<ListingFailure::Reason> FailureOf(int error) {
    if (error == ENOENT || error == ENOTDIR) return std::nullopt;
    if (error == ENAMETOOLONG) return ListingFailure::Reason::TOO_LONG;
    return ListingFailure::Reason::UNREADABLE;
}

/// Visits the names in `folder`, dot-files (hidden on Linux) left out, each with what it is. Says why
/// when the folder is there but couldn't be read to its end; a missing folder has no names.
/// `hidden`, when given, receives the hidden names passed over.
template <typename Visit>
std::optional<ListingFailure::Reason> ForEachEntry(const std::string& folder, Visit visit,
                                                   std::vector<std::string>* hidden = nullptr) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return FailureOf(errno);
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) return errno == 0 ? std::nullopt : FailureOf(errno);
        std::string name = entry->d_name;
        if (!name.empty() && name[0] == '.' && hidden && name != "." && name != "..") hidden->push_back(name);
        if (name.empty() || name[0] == '.') continue;
        if (const auto kind = KindOf(entry->d_type, folder, name)) visit(name, *kind);
    }
}

void NoteFailure(ListingFailures* failures, const std::string& folder,
                 std::optional<ListingFailure::Reason> reason) {
    if (failures && reason) failures->push_back({folder, *reason});
}

void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), NameLess);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(-1); }
    void reset(int fd) {
        if (fd_ >= 0) close(fd_);
        fd_ = fd;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        ssize_t n = write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        content.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string ParentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Flushes a file's data to the disc. A file system that can't flush says EINVAL: it has nothing to do.
bool Synced(int fd) {
    return fsync(fd) == 0 || errno == EINVAL;
}

// Flushes a folder's entries, so a name just given survives a power cut. A folder we may write in
// but not open is left to the system.
bool FolderSynced(const std::string& folder) {
    Fd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.get() < 0 || Synced(fd.get());
}

// This process, as scratch names carry it. The program starts other programs only by exec, so the
// number it was started with stays its own.
unsigned long ThisProcess() {
    static const auto self = static_cast<unsigned long>(getpid());
    return self;
}

// This machine as scratch names carry it.
const std::string& ScratchHost() {
    static const std::string host = [] {
        char name[256] = {};
        gethostname(name, sizeof name - 1);
        return ScratchHostPart(name);
    }();
    return host;
}

// Only a process that is really gone counts: one we may not signal is still there.
bool ProcessIsGone(unsigned long processId) {
    return kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH;
}

}  // namespace

std::string PosixFiles::CurrentDirectory() const {
    std::string buffer(4096, '\0');
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

bool PosixFiles::SetCurrentDirectory(const std::string& path) {
    return !path.empty() && chdir(path.c_str()) == 0;
}

std::vector<std::string> PosixFiles::ListCurrentFolder(std::string_view pattern) const {
    std::vector<std::string> names;
    ForEachEntry("", [&](const std::string& name, EntryKind kind) {
        if (kind == EntryKind::FILE && WildcardMatch(pattern, name)) names.push_back(name);
    });
    SortNames(names);
    return names;
}

std::vector<std::string> PosixFiles::ListTopLevel(const std::string& folder,
                                                  ListingFailures* failures) const {
    std::vector<std::string> names;
    NoteFailure(failures, folder,
                ForEachEntry(folder, [&](const std::string& name, EntryKind) { names.push_back(name); }));
    SortNames(names);
    return names;
}

std::vector<std::string> PosixFiles::ListFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions,
                                                        ListingFailures* failures) const {
    return WalkFilesRecursive(folder, extensions, failures, {});
}

std::vector<std::string> PosixFiles::WalkFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions,
                                                        ListingFailures* failures,
                                                        const FolderWalked& walked) const {
    std::vector<std::string> result;
    WalkedFolder seen{folder, {}, {}, {}, {}};
    std::vector<std::string> images, below, hidden;
    // Symbolic links to folders are not followed: they could loop back above the chosen folder.
    const auto failure = ForEachEntry(
        folder,
        [&](const std::string& name, EntryKind kind) {
            seen.entries.push_back(name);
            if (kind == EntryKind::FOLDER || kind == EntryKind::LINKED_FOLDER) seen.folders.push_back(name);
            if (kind == EntryKind::FOLDER) {
                below.push_back(name);
            } else if (kind == EntryKind::FILE) {
                seen.files.push_back(name);
                for (const auto& ext : extensions) {
                    if (EndsWithIgnoringAsciiCase(name, "." + ext)) {
                        images.push_back(name);
                        break;
                    }
                }
            }
        },
        &hidden);
    NoteFailure(failures, folder, failure);
    if (walked) seen.hidden = hidden;
    // What the walk saw of scratch files spares a run writing there a listing of its own.
    if (folder.starts_with('/')) {
        std::erase_if(hidden, [](const std::string& name) { return !ScratchFileOwner(name, ScratchHost()); });
        scratchSeen_[folder] = std::move(hidden);
    }
    SortNames(images);
    SortNames(below);
    for (const auto& name : images) result.push_back(Join(folder, name));
    if (walked && !failure) {
        for (auto* names : {&seen.files, &seen.entries, &seen.folders, &seen.hidden}) SortNames(*names);
        walked(std::move(seen));
    }
    for (const auto& name : below) {
        auto files = WalkFilesRecursive(Join(folder, name), extensions, failures, walked);
        result.insert(result.end(), files.begin(), files.end());
    }
    return result;
}

bool PosixFiles::IsRegularFile(const std::string& path) const {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool PosixFiles::IsDirectory(const std::string& path) const {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool PosixFiles::Exists(const std::string& path) const {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool PosixFiles::IsLink(const std::string& path) const {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

std::optional<uint64_t> PosixFiles::FileLength(const std::string& path) const {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

std::optional<FileStamp> PosixFiles::Stamp(const std::string& path) const {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    FileStamp stamp;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    // Inode numbers repeat across devices; the device goes into the high bits.
    stamp.fileId = static_cast<uint64_t>(info.st_ino) ^ (static_cast<uint64_t>(info.st_dev) << 48);
    return stamp;
}

std::optional<size_t> PosixFiles::ReadAt(const std::string& path, uint64_t offset,
                                         std::span<uint8_t> out) const {
    // O_NONBLOCK keeps a FIFO that carries an image's name from blocking the open; it is then
    // refused by the type check below.
    Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    lastRead_ = {path, info.st_mode};
    size_t total = 0;
    while (total < out.size()) {
        ssize_t n =
            pread(fd.get(), out.data() + total, out.size() - total, static_cast<off_t>(offset + total));
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        total += static_cast<size_t>(n);
    }
    return total;
}

namespace {

class PosixOpenFile : public OpenFile {
public:
    PosixOpenFile(int fd, uint64_t length) : fd_(fd), length_(length) {}
    uint64_t Length() const override { return length_; }
    std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) const override {
        size_t total = 0;
        while (total < out.size()) {
            const ssize_t n =
                pread(fd_.get(), out.data() + total, out.size() - total, static_cast<off_t>(offset + total));
            if (n < 0) {
                if (errno == EINTR) continue;
                return std::nullopt;
            }
            if (n == 0) break;
            total += static_cast<size_t>(n);
        }
        return total;
    }

private:
    Fd fd_;
    uint64_t length_;
};

}  // namespace

std::unique_ptr<OpenFile> PosixFiles::OpenForReading(const std::string& path, bool sequential) const {
    // As in ReadAt: a FIFO must not block the open, and only an ordinary file is read. O_NOATIME is
    // not asked for: it is refused on files of other users, and reading changes nothing else.
    Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return nullptr;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    // The system then reads further ahead, and drops pages behind the reader sooner.
    if (sequential) posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<PosixOpenFile>(fd.release(), static_cast<uint64_t>(info.st_size));
}

bool PosixFiles::WriteFile(const std::string& path, std::string_view content) {
    return WriteFileFrom(path, [content](const auto& append) { return append(content); });
}

bool PosixFiles::WriteFileFrom(const std::string& path, const ContentWriter& writer) {
    std::string absoluteFolder;
    const auto temp = ScratchWritten(path, writer, true, absoluteFolder);
    if (!temp) return false;
    if (rename(temp->c_str(), path.c_str()) != 0) {
        unlink(temp->c_str());
        return false;
    }
    return FolderFlushed(ParentOf(path), absoluteFolder);
}

std::optional<std::string> PosixFiles::StageFile(const std::string& path, std::string_view content,
                                                 bool nameFree) {
    std::string absoluteFolder;
    bool replaces = false;
    auto scratch = ScratchWritten(
        path, [content](const auto& append) { return append(content); }, false, absoluteFolder, &replaces,
        nameFree);
    if (scratch) stagedOver_[scratch->substr(scratch->rfind('/') + 1)] = replaces;
    return scratch;
}

bool PosixFiles::PlaceStagedFile(const std::string& scratch, const std::string& path) {
    const auto staged = stagedOver_.find(scratch.substr(scratch.rfind('/') + 1));
    const bool replaces = staged == stagedOver_.end() || staged->second;
    if (staged != stagedOver_.end()) stagedOver_.erase(staged);
    // A name that was free when the file was staged must still be: whatever took it meanwhile is
    // the user's, and stays.
    if (!replaces) return renameat2(AT_FDCWD, scratch.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
    struct stat info {};
    // As in WriteFile: whatever is not an ordinary file under the name is the user's.
    if (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return false;
    return rename(scratch.c_str(), path.c_str()) == 0;
}

bool PosixFiles::DiscardStagedFile(const std::string& scratch) {
    stagedOver_.erase(scratch.substr(scratch.rfind('/') + 1));
    return unlink(scratch.c_str()) == 0;
}

bool PosixFiles::SyncFileSystems(const std::vector<std::string>& folders) {
    // Nearly every folder lies on a file system already met: one look tells which, and one folder of
    // each is opened to flush it by.
    std::set<dev_t> synced;
    CloseSyncedSystems();
    bool all = true;
    for (const std::string& folder : folders) {
        struct stat info {};
        if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            all = false;
            continue;
        }
        if (!synced.insert(info.st_dev).second) continue;
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) syncedSystems_.push_back(fd);
        all = fd >= 0 && syncfs(fd) == 0 && all;
    }
    return all;
}

bool PosixFiles::SyncFileSystemsAgain() {
    bool all = !syncedSystems_.empty();
    for (const int fd : syncedSystems_) all = syncfs(fd) == 0 && all;
    return all;
}

void PosixFiles::CloseSyncedSystems() {
    for (const int fd : syncedSystems_) close(fd);
    syncedSystems_.clear();
}

// Writes the content under a fresh scratch name in `path`'s folder, flushed to the disc when
// `flush`: the scratch file's path, or nothing (and no scratch file) when it fails.
std::optional<std::string> PosixFiles::ScratchWritten(const std::string& path, const ContentWriter& writer,
                                                      bool flush, std::string& absoluteFolder, bool* replaces,
                                                      bool nameFree) {
    // A new file gets the mode an ordinary create would give; a replaced one keeps its own.
    static const mode_t UMASK = [] {
        mode_t mask = umask(0);
        umask(mask);
        return mask;
    }();
    mode_t mode = 0666 & ~UMASK;
    struct stat info {};
    // A name the caller knows is free gets a new file's mode; it is given only while still free.
    if (!nameFree && lstat(path.c_str(), &info) == 0) {
        // A link, whatever it points to, is the user's: neither written through nor replaced.
        if (!S_ISREG(info.st_mode)) return std::nullopt;
        mode = info.st_mode & 07777;
        if (replaces) *replaces = true;
    }
    const std::string folder = ParentOf(path);
    absoluteFolder = AbsoluteFolder(folder);
    if (!sweptFolders_.contains(absoluteFolder)) {
        if (const auto seen = scratchSeen_.find(absoluteFolder); seen != scratchSeen_.end())
            RemoveStaleScratchFiles(folder, absoluteFolder, seen->second);
        else
            RemoveStaleScratchFiles(folder, absoluteFolder);
    }

    // The scratch name is new and must stay so: O_EXCL never opens what is there already, a link
    // planted under the name included. It is created with the mode it ends with where the umask
    // lets the create give that mode; only other modes need a change afterwards.
    const bool createGivesMode = (mode & ~0666 & 07777) == 0 && (mode & UMASK) == 0;
    std::string temp;
    Fd fd(-1);
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        temp = Join(folder, ScratchFileName(ScratchHost(), ThisProcess(), tags_()));
        fd.reset(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      createGivesMode ? mode : 0600));
        if (fd.get() < 0 && errno != EEXIST) return std::nullopt;
    }
    if (fd.get() < 0) return std::nullopt;
    const int out = fd.get();
    bool ok = writer([out](std::string_view piece) { return WriteAll(out, piece); }) &&
              (createGivesMode || fchmod(out, mode) == 0) && (!flush || Synced(out));
    ok = (close(fd.release()) == 0) && ok;
    if (!ok) {
        unlink(temp.c_str());
        return std::nullopt;
    }
    return temp;
}

bool PosixFiles::FolderFlushed(const std::string& folder, const std::string& absoluteFolder) {
    if (deferrals_ == 0) return FolderSyncedKeepingItOpen(folder, absoluteFolder);
    if (std::find(deferredFolders_.begin(), deferredFolders_.end(), absoluteFolder) == deferredFolders_.end())
        deferredFolders_.push_back(absoluteFolder);
    return true;
}

bool PosixFiles::EndFolderFlushDeferral() {
    if (deferrals_ == 0 || --deferrals_ > 0) return true;
    // By absolute path: the current directory may have moved since the writes.
    bool synced = true;
    for (const std::string& folder : deferredFolders_)
        synced = FolderSyncedKeepingItOpen(folder, folder) && synced;
    deferredFolders_.clear();
    return synced;
}

// A run writes its files a folder at a time (the journal, the report, the sheet), so the folder
// last flushed stays open for the next flush.
bool PosixFiles::FolderSyncedKeepingItOpen(const std::string& folder, const std::string& absoluteFolder) {
    if (syncedFolder_ < 0 || syncedFolderPath_ != absoluteFolder) {
        if (syncedFolder_ >= 0) close(syncedFolder_);
        syncedFolder_ = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        syncedFolderPath_ = absoluteFolder;
    }
    return syncedFolder_ < 0 || Synced(syncedFolder_);
}

PosixFiles::~PosixFiles() {
    CloseSyncedSystems();
    if (syncedFolder_ >= 0) close(syncedFolder_);
}

bool PosixFiles::DeleteFile(const std::string& path) {
    // unlink never takes a folder (Linux refuses with EISDIR), and takes a link as a link.
    return unlink(path.c_str()) == 0;
}

bool PosixFiles::Rename(const std::string& from, const std::string& to) {
    struct stat source {
    }, target{};
    if (from == to) return lstat(from.c_str(), &source) == 0;
    // Nearly every rename finds its new name free, so it is asked for outright; only a refusal
    // needs a closer look.
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    const int refusal = errno;
    if (refusal != EEXIST && refusal != EINVAL && refusal != ENOSYS && refusal != ENOTSUP) return false;
    if (lstat(from.c_str(), &source) != 0) return false;
    if (lstat(to.c_str(), &target) == 0) {
        // The same object under another spelling: a case-only rename on a case-insensitive file
        // system, or a second hard link. Nothing else can be lost, so a plain rename is safe.
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
            return rename(from.c_str(), to.c_str()) == 0;
        }
        errno = EEXIST;
        return false;
    }
    if (refusal == EEXIST) {
        errno = EEXIST;  // taken a moment ago and gone again: still not ours to take
        return false;
    }
    // The file system refuses the no-replace flag. A file gets its new name as a second link
    // (which fails if the name is taken) before the old one goes; a folder first reserves its new
    // name as an empty folder, which rename() may replace but nothing else can.
    if (S_ISDIR(source.st_mode)) {
        if (mkdir(to.c_str(), 0700) != 0) return false;
        if (rename(from.c_str(), to.c_str()) == 0) return true;
        rmdir(to.c_str());
        return false;
    }
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) != 0) {
        unlink(to.c_str());
        return false;
    }
    return true;
}

bool PosixFiles::ReplaceFile(const std::string& from, const std::string& to) {
    struct stat target {};
    if (lstat(to.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) return false;
    {
        Fd fd(open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat source {};
        if (fd.get() < 0 || fstat(fd.get(), &source) != 0 || !S_ISREG(source.st_mode) || !Synced(fd.get()))
            return false;
    }
    if (rename(from.c_str(), to.c_str()) != 0) return false;
    const std::string fromFolder = ParentOf(from), toFolder = ParentOf(to);
    if (deferrals_ > 0) {
        FolderFlushed(toFolder, AbsoluteFolder(toFolder));
        return fromFolder == toFolder || FolderFlushed(fromFolder, AbsoluteFolder(fromFolder));
    }
    const bool synced = FolderSynced(toFolder);
    return (fromFolder == toFolder || FolderSynced(fromFolder)) && synced;
}

bool PosixFiles::ClearAttributes(const std::string& path) {
    // A mass run clears each image just after reading its header: that read saw a moment ago
    // whether it is writable already, as nearly every image is.
    const bool writableWhenRead = lastRead_.path == path && (lastRead_.mode & S_IWUSR) != 0;
    lastRead_ = {};
    if (writableWhenRead) return true;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    // Every image of a mass run comes through here, nearly all of them writable already.
    if (info.st_mode & S_IWUSR) return true;
    return chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

std::string PosixFiles::AbsoluteFolder(const std::string& folder) const {
    if (folder.empty() || folder == ".") return CurrentDirectory();
    return folder.starts_with('/') ? folder : Join(CurrentDirectory(), folder);
}

void PosixFiles::RemoveStaleScratchFiles(const std::string& folder) {
    RemoveStaleScratchFiles(folder, AbsoluteFolder(folder));
}

void PosixFiles::RemoveStaleScratchFiles(const std::string& folder, const std::string& absoluteFolder,
                                         const std::vector<std::string>& seen) {
    sweptFolders_.insert(absoluteFolder);
    const auto self = ThisProcess();
    for (const std::string& name : seen) {
        const auto owner = ScratchFileOwner(name, ScratchHost());
        if (!owner || *owner == self || !ProcessIsGone(*owner)) continue;
        // A plain unlink never takes a folder; a link goes as a link.
        unlink(Join(folder, name).c_str());
    }
}

void PosixFiles::RemoveStaleScratchFiles(const std::string& folder, const std::string& absoluteFolder) {
    sweptFolders_.insert(absoluteFolder);
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return;
    const auto self = ThisProcess();
    while (const dirent* entry = readdir(dir.get())) {
        const auto owner = ScratchFileOwner(entry->d_name, ScratchHost());
        if (!owner || *owner == self || !ProcessIsGone(*owner)) continue;
        // unlinkat without AT_REMOVEDIR never takes a folder; a link goes as a link.
        unlinkat(dirfd(dir.get()), entry->d_name, 0);
    }
}

}  // namespace cartovex
