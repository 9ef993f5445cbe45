// The file system as the core sees it. One implementation per platform (posix/, win32/); tests use
// the real one on temporary folders and wrap it to inject failures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

class FolderNames;

/// A folder a listing could not read, and why.
struct ListingFailure {
    enum class Reason {
        UNREADABLE,  // no permission, or the system failed to read it
        TOO_LONG,    // its path is longer than the system takes
    };
    std::string folder;
    Reason reason = Reason::UNREADABLE;
};
using ListingFailures = std::vector<ListingFailure>;

/// What tells one version of a file from another without reading it: its length, when it last
/// changed (nanoseconds since the system's epoch) and, where the system numbers files, that number.
/// A cache of what a file holds is only as good as this: a file rewritten in place within the
/// clock's resolution, to the same length, would look unchanged.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;
    uint64_t fileId = 0;
    bool operator==(const FileStamp&) const = default;
};

/// One folder as a walk over a collection read it, to its end: its ordinary files (as
/// ListCurrentFolder("*") lists them), all its entries (as ListTopLevel), those of them that are
/// folders or links to folders (as IsDirectory says), and the hidden names the listings leave out,
/// each in name order.
struct WalkedFolder {
    std::string folder;
    std::vector<std::string> files, entries, folders, hidden;
};
using FolderWalked = std::function<void(WalkedFolder&& walked)>;

/// What a kept listing says lies under a name.
enum class ListedKind { NOTHING, FILE, FOLDER, OTHER };

/// Hands a file's content to `append` piece by piece; false (or a failed append) gives up.
using ContentWriter = std::function<bool(const std::function<bool(std::string_view piece)>& append)>;

/// An ordinary file held open for reading: many reads for one open, as hashing a whole track or
/// walking an archive needs. Never writes, renames or locks the file.
class OpenFile {
public:
    virtual ~OpenFile() = default;
    /// The file's length when it was opened.
    virtual uint64_t Length() const = 0;
    /// Reads up to `out.size()` bytes at `offset`; the count read (fewer at the end of the file, or
    /// where it has shrunk since it was opened), or nothing on a read error.
    virtual std::optional<size_t> ReadAt(uint64_t offset, std::span<uint8_t> out) const = 0;
};

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
    /// case-insensitively; empty when the folder can't be read. A folder that is there but can't be
    /// read is added to `failures` when given; a missing one is not.
    virtual std::vector<std::string> ListTopLevel(const std::string& folder,
                                                  ListingFailures* failures = nullptr) const = 0;

    /// Full paths of the ordinary files below `folder` (at every depth) whose extension is one of
    /// `extensions` (without dot, any case): each folder's files first, then its sub-folders, both in
    /// name order. Hidden files and folders are left out. Every folder on the way that is there but
    /// can't be read is added to `failures` when given.
    virtual std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions,
                                                        ListingFailures* failures = nullptr) const = 0;
    /// ListFilesRecursive that hands each folder it read whole to `walked` on its way, where the
    /// platform learns that from the reads it makes anyway; this default hands none.
    virtual std::vector<std::string> WalkFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions,
                                                        ListingFailures* failures,
                                                        const FolderWalked& /*walked*/) const {
        return ListFilesRecursive(folder, extensions, failures);
    }
    /// What a listing these files keep says lies under `path`, without asking the disc; nothing when
    /// they keep none that can tell (this default). A listing taken a while ago can be wrong, so
    /// only a caller whose changes find that out safely takes it.
    virtual std::optional<ListedKind> KeptListingSays(const std::string& /*path*/) const {
        return std::nullopt;
    }

    virtual bool IsRegularFile(const std::string& path) const = 0;
    virtual bool IsDirectory(const std::string& path) const = 0;
    /// True when anything (file, folder, link, ...) carries the name.
    virtual bool Exists(const std::string& path) const = 0;

    /// True when the name itself is a symbolic link (or, on Windows, a junction or other reparse
    /// point), whatever it points to.
    virtual bool IsLink(const std::string& /*path*/) const { return false; }

    /// Length of an ordinary file; nothing for a folder, FIFO, device or missing file.
    virtual std::optional<uint64_t> FileLength(const std::string& path) const = 0;

    /// The stamp of an ordinary file; nothing for a folder, FIFO, device or missing file, and
    /// nothing where the platform can't tell (this default), so nothing is ever taken as unchanged.
    virtual std::optional<FileStamp> Stamp(const std::string& path) const;

    /// Reads up to `out.size()` bytes at `offset` of an ordinary file; the count read (fewer at the end
    /// of the file), or nothing when the file can't be opened or read or is not an ordinary file.
    virtual std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                         std::span<uint8_t> out) const = 0;

    /// Opens an ordinary file for reads; nothing for a missing file, a folder, FIFO or device.
    /// `sequential` tells the system the file will be read from start to end (it reads ahead).
    /// This default reads through ReadAt, one open per read; the platforms keep the file open.
    virtual std::unique_ptr<OpenFile> OpenForReading(const std::string& path, bool sequential = true) const;

    /// Creates or replaces `path` with `content`. The new content is complete, and flushed to the
    /// disc, in a scratch file of its own before it takes the name, so neither a failed write nor a
    /// power cut leaves a truncated file behind; the folder is flushed after the rename. A name held
    /// by anything but an ordinary file (a folder, a link, a device) is refused, never written
    /// through. Scratch files are created under fresh names that no other file has.
    virtual bool WriteFile(const std::string& path, std::string_view content) = 0;

    /// WriteFile for content too big to hold at once. This default gathers the pieces and calls
    /// WriteFile; the platforms write them as they come.
    virtual bool WriteFileFrom(const std::string& path, const ContentWriter& writer);

    virtual bool DeleteFile(const std::string& path) = 0;

    /// Renames a file or folder; never replaces an existing target. Renaming to the name it already
    /// has succeeds, and a case-only rename of the same file works.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;

    /// Atomically replaces the file `to` with `from` (the old file stays whole until that moment).
    /// `from` is flushed to the disc before, the folder after; a `to` that is a folder or a link
    /// is refused.
    virtual bool ReplaceFile(const std::string& from, const std::string& to) = 0;

    /// Removes from `folder` the scratch files of writes on this machine whose process is gone (a
    /// run killed in the middle of a write). The platforms also do this for each folder before
    /// their first write there; others have no scratch files and do nothing.
    virtual void RemoveStaleScratchFiles(const std::string& folder);

    /// Opens a deferral of folder flushes (they nest): until the outermost one ends, WriteFile and
    /// ReplaceFile flush each file's data as always but leave flushing the folder's entries to that
    /// end, which flushes each folder they wrote in once. A step writing several files into one
    /// folder pays for one folder flush; a power cut before the end leaves each file old or new,
    /// never partial. This default flushes at once, as without a deferral.
    virtual void DeferFolderFlushes() {}
    /// Ends the innermost deferral; false when a folder could not be flushed.
    virtual bool EndFolderFlushDeferral() { return true; }

    /// Staged writes, for a run that puts many files in place behind one flush. StagesWrites says
    /// whether the platform does them; elsewhere (this default) a run writes file by file.
    /// StageFile writes `content` to a fresh scratch file in `path`'s folder, not flushed, and gives
    /// the scratch file's path (nothing on failure). PlaceStagedFile gives a staged file the name
    /// `path` as WriteFile would (replacing an ordinary file, refusing anything else), without
    /// flushing. A file staged with `nameFree` (the caller knows nothing holds the name) is given
    /// it without a look first, and only while it is still free: it never replaces anything.
    /// SyncFileSystems flushes everything written so far on the file systems that hold `folders`:
    /// after it, every staged and placed file and every rename is on the disc.
    virtual bool StagesWrites() const { return false; }
    virtual std::optional<std::string> StageFile(const std::string& /*path*/, std::string_view /*content*/,
                                                 bool /*nameFree*/) {
        return std::nullopt;
    }
    virtual bool PlaceStagedFile(const std::string& /*scratch*/, const std::string& /*path*/) {
        return false;
    }
    virtual bool SyncFileSystems(const std::vector<std::string>& /*folders*/) { return false; }
    /// Flushes again the file systems the last SyncFileSystems flushed. They hold whatever was renamed
    /// or placed in its folders since, under any new names: a rename never leaves its file system.
    virtual bool SyncFileSystemsAgain() { return false; }
    /// Removes a staged file that is not to take its name after all.
    virtual bool DiscardStagedFile(const std::string& scratch) { return DeleteFile(scratch); }

    /// Clears read-only, hidden, system and archive attributes; on Linux makes the file owner-writable.
    virtual bool ClearAttributes(const std::string& path) = 0;

    /// Reads an ordinary file whole, at most `maxBytes` of it.
    std::optional<std::string> ReadFile(const std::string& path, size_t maxBytes = 64u << 20) const;

    /// `folder` + separator + `name`, without doubling a separator at a root.
    std::string Join(std::string_view folder, std::string_view name) const;
};

/// A deferral of folder flushes for a scope: the folders are flushed by Flush(), or when it ends.
class FolderFlushDeferral {
public:
    explicit FolderFlushDeferral(Files& files) : files_(files) { files_.DeferFolderFlushes(); }
    ~FolderFlushDeferral() {
        if (open_) files_.EndFolderFlushDeferral();
    }
    FolderFlushDeferral(const FolderFlushDeferral&) = delete;
    FolderFlushDeferral& operator=(const FolderFlushDeferral&) = delete;
    /// Flushes now; false when a folder could not be flushed.
    bool Flush() {
        open_ = false;
        return files_.EndFolderFlushDeferral();
    }

private:
    Files& files_;
    bool open_ = true;
};

/// True when `path` is `base` or lies below it, both spelled whole and alike (no "." or "..", no
/// trailing separator except a root's).
bool PathIsAtOrBelow(std::string_view path, std::string_view base, char separator);

/// Matches a name against a wildcard pattern of '*' and '?', ASCII case-insensitively.
bool WildcardMatch(std::string_view pattern, std::string_view name);

/// Scratch files are named ".cartovex-" + host + "-" + process id + "-" + tag + ".tmp": hidden, and
/// saying which process on which machine made them, so a later run can prove one stale (its process
/// is gone) and remove it. `host` is what ScratchHostPart gives; `tag` makes the name fresh.
std::string ScratchFileName(std::string_view host, unsigned long processId, uint32_t tag);
/// A machine's name as scratch names carry it: its letters and digits, at most 16 of them.
std::string ScratchHostPart(std::string_view machineName);
/// The process id in `name` when it is a scratch name made on `host`; nothing for any other name.
std::optional<unsigned long> ScratchFileOwner(std::string_view name, std::string_view host);

}  // namespace cartovex
