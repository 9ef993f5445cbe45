#include "platform/posix/PosixFiles.h"

#include <dirent.h>
#include <fcntl.h>
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

/// Names in `folder`, dot-files (hidden on Linux) left out, each with what it is.
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return;
    while (dirent* entry = readdir(dir.get())) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        if (const auto kind = KindOf(entry->d_type, folder, name)) visit(name, *kind);
    }
}

void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), NameLess);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
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

std::vector<std::string> PosixFiles::ListTopLevel(const std::string& folder) const {
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, EntryKind) { names.push_back(name); });
    SortNames(names);
    return names;
}

std::vector<std::string> PosixFiles::ListFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions) const {
    std::vector<std::string> result;
    std::vector<std::string> files, folders;
    // Symbolic links to folders are not followed: they could loop back above the chosen folder.
    ForEachEntry(folder, [&](const std::string& name, EntryKind kind) {
        if (kind == EntryKind::FOLDER) {
            folders.push_back(name);
        } else if (kind == EntryKind::FILE) {
            for (const auto& ext : extensions) {
                if (EndsWithIgnoringAsciiCase(name, "." + ext)) {
                    files.push_back(name);
                    break;
                }
            }
        }
    });
    SortNames(files);
    SortNames(folders);
    for (const auto& name : files) result.push_back(Join(folder, name));
    for (const auto& name : folders) {
        auto below = ListFilesRecursive(Join(folder, name), extensions);
        result.insert(result.end(), below.begin(), below.end());
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

std::optional<uint64_t> PosixFiles::FileLength(const std::string& path) const {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

std::optional<size_t> PosixFiles::ReadAt(const std::string& path, uint64_t offset,
                                         std::span<uint8_t> out) const {
    // O_NONBLOCK keeps a FIFO that carries an image's name from blocking the open; it is then
    // refused by the type check below.
    Fd fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
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

bool PosixFiles::WriteFile(const std::string& path, std::string_view content) {
    // A new file gets the mode an ordinary create would give; a replaced one keeps its own.
    static const mode_t UMASK = [] {
        mode_t mask = umask(0);
        umask(mask);
        return mask;
    }();
    mode_t mode = 0666 & ~UMASK;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return false;
        mode = info.st_mode & 07777;
    }
    std::string temp = ParentOf(path) + "/.cartovex-XXXXXX";
    Fd fd(mkstemp(temp.data()));
    if (fd.get() < 0) return false;
    bool ok = WriteAll(fd.get(), content) && fchmod(fd.get(), mode) == 0;
    ok = (close(fd.release()) == 0) && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool PosixFiles::DeleteFile(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
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
    if (lstat(to.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) return false;
    return rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFiles::ClearAttributes(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return false;
    // Every image of a mass run comes through here, nearly all of them writable already.
    if (info.st_mode & S_IWUSR) return true;
    return chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

}  // namespace cartovex
