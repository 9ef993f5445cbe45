// The file system as the core sees it. One implementation per platform (posix/, win32/); tests use
// the real one on temporary folders and wrap it to inject failures.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

class FolderNames;

class Files {
public:
    virtual ~Files() = default;

    /// The separator between path pieces: '/' on Linux, '\\' on Windows.
    virtual char Separator() const = 0;

    /// The process's current directory (no trailing separator except for a root).
    virtual std::string CurrentDirectory() const = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;

    /// Ordinary files of the current folder whose names match `pattern` ("*", "*.mp3", "?" allowed),
    /// compared without regard to ASCII case. Folders, FIFOs, devices and hidden files (dot-files on
    /// Linux, the hidden or system attribute on Windows) are never listed. Sorted by name,
    /// case-insensitively.
    virtual std::vector<std::string> ListCurrentFolder(std::string_view pattern) const = 0;

    /// ListCurrentFolder("*") as one indexed listing that may be shared: a mass-processing run
    /// answers every question about a folder from one listing. Lists afresh unless overridden.
    virtual std::shared_ptr<const FolderNames> CurrentFolderNames() const;

    /// Names of the files and folders directly in `folder`, hidden ones left out, sorted by name
    /// case-insensitively; empty when the folder can't be read.
    virtual std::vector<std::string> ListTopLevel(const std::string& folder) const = 0;

    /// Full paths of the ordinary files below `folder` (at every depth) whose extension is one of
    /// `extensions` (without dot, any case): each folder's files first, then its sub-folders, both in
    /// name order. Hidden files and folders are left out.
    virtual std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions) const = 0;

    virtual bool IsRegularFile(const std::string& path) const = 0;
    virtual bool IsDirectory(const std::string& path) const = 0;
    /// True when anything (file, folder, link, ...) carries the name.
    virtual bool Exists(const std::string& path) const = 0;

    /// Length of an ordinary file; nothing for a folder, FIFO, device or missing file.
    virtual std::optional<uint64_t> FileLength(const std::string& path) const = 0;

    /// Reads up to `out.size()` bytes at `offset` of an ordinary file; the count read (fewer at the end
    /// of the file), or nothing when the file can't be opened or read or is not an ordinary file.
    virtual std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                         std::span<uint8_t> out) const = 0;

    /// Creates or replaces `path` with `content`. The new content is complete in a file of its own
    /// before it takes the name, so a failed write never leaves a truncated file behind.
    virtual bool WriteFile(const std::string& path, std::string_view content) = 0;

    virtual bool DeleteFile(const std::string& path) = 0;

    /// Renames a file or folder; never replaces an existing target. Renaming to the name it already
    /// has succeeds, and a case-only rename of the same file works.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;

    /// Atomically replaces the file `to` with `from` (the old file stays whole until that moment).
    virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;

    /// Clears read-only, hidden, system and archive attributes; on Linux makes the file owner-writable.
    virtual bool ClearAttributes(const std::string& path) = 0;

    /// Reads an ordinary file whole, at most `maxBytes` of it.
    std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes = 64u << 20) const;

    /// `folder` + separator + `name`, without doubling a separator at a root.
    std::string Join(std::string_view folder, std::string_view name) const;
};

/// Matches a name against a wildcard pattern of '*' and '?', ASCII case-insensitively.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace cartovex
