#include "platform/win32/Win32Files.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "common/Text.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Entry {
    std::string name;
    DWORD attributes;
};

bool Has(DWORD attributes, DWORD flag) {
    return (attributes & flag) != 0;
}

/// The entries matching a FindFirstFileA pattern, without "." and "..", and without hidden or
/// system entries, which Explorer doesn't show either. `failure` says why a folder that is there
/// couldn't be read; a missing one has no entries.
std::vector<Entry> FindEntries(const std::string& pattern,
                               std::optional<ListingFailure::Reason>* failure = nullptr) {
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (!failure) return entries;
        // The ANSI functions take MAX_PATH characters; beyond it they mostly say "path not found".
        if (pattern.size() >= MAX_PATH || error == ERROR_FILENAME_EXCED_RANGE)
            *failure = ListingFailure::Reason::TOO_LONG;
        else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
                 error != ERROR_NO_MORE_FILES && error != ERROR_INVALID_NAME && error != ERROR_DIRECTORY)
            *failure = ListingFailure::Reason::UNREADABLE;
        return entries;
    }
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (Has(data.dwFileAttributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        entries.push_back({std::move(name), data.dwFileAttributes});
    } while (FindNextFileA(find, &data));
    if (failure && GetLastError() != ERROR_NO_MORE_FILES) *failure = ListingFailure::Reason::UNREADABLE;
    FindClose(find);
    return entries;
}

/// FindEntries of a folder's children, noting a folder that couldn't be read in `failures`.
std::vector<Entry> FolderEntries(const std::string& folder, const std::string& pattern,
                                 ListingFailures* failures) {
    std::optional<ListingFailure::Reason> failure;
    std::vector<Entry> entries = FindEntries(pattern, &failure);
    if (failures && failure) failures->push_back({folder, *failure});
    return entries;
}

bool IsOrdinaryFileEntry(const Entry& entry) {
    return !Has(entry.attributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE);
}

void SortNames(std::vector<std::string>& names) {
    std::sort(names.begin(), names.end(), NameLess);
}

std::string ChildPattern(const std::string& folder) {
    if (folder.empty()) return "*";
    char last = folder.back();
    return folder + (last == '\\' || last == '/' || last == ':' ? "*" : "\\*");
}

/// What the file system says about a name, read through a handle so that devices (CON, COM1, pipes)
/// are told apart from files on a disk.
struct FileFacts {
    bool directory = false;
    bool onDisk = false;
    uint64_t size = 0;
    DWORD volume = 0;
    uint64_t index = 0;
};

std::optional<FileFacts> Inspect(const std::string& path) {
    if (path.empty()) return std::nullopt;
    Win32Handle handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::nullopt;
    FileFacts facts;
    facts.onDisk = GetFileType(handle.get()) == FILE_TYPE_DISK;
    BY_HANDLE_FILE_INFORMATION info{};
    if (facts.onDisk && GetFileInformationByHandle(handle.get(), &info)) {
        facts.directory = Has(info.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
        facts.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
        facts.volume = info.dwVolumeSerialNumber;
        facts.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    } else {
        facts.onDisk = false;
    }
    return facts;
}

bool IsFileOnDisk(const std::optional<FileFacts>& facts) {
    return facts && facts->onDisk && !facts->directory;
}

/// True when the name itself is a link or another reparse point. The name is opened without
/// following it: asked by name, some systems describe what a link points to.
bool IsReparsePoint(const std::string& path) {
    Win32Handle handle(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle && GetFileInformationByHandle(handle.get(), &info))
        return Has(info.dwFileAttributes, FILE_ATTRIBUTE_REPARSE_POINT);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && Has(attributes, FILE_ATTRIBUTE_REPARSE_POINT);
}

/// The folder part of a path with its separator ("C:\dir\" for "C:\dir\name"), empty for a bare name.
std::string FolderPrefix(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// This machine as scratch names carry it.
const std::string& ScratchHost() {
    static const std::string host = [] {
        char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
        DWORD size = sizeof name;
        GetComputerNameA(name, &size);
        return ScratchHostPart(name);
    }();
    return host;
}

// Only a process that is really gone counts: one we may not open is still there.
bool ProcessIsGone(unsigned long processId) {
    HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process) return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

// A folder as the set of swept folders holds it: Windows ignores case, and "C:\dir\" is "C:\dir".
std::string FolderKey(std::string folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return AsciiLower(folder);
}

bool WriteAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size(), 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, content.data(), chunk, &written, nullptr) || written == 0) return false;
        content.remove_prefix(written);
    }
    return true;
}

}  // namespace

std::string Win32Files::CurrentDirectory() const {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length + 1);
    }
}

bool Win32Files::SetCurrentDirectory(const std::string& path) {
    return !path.empty() && SetCurrentDirectoryA(path.c_str());
}

std::vector<std::string> Win32Files::ListCurrentFolder(std::string_view pattern) const {
    // FindFirstFileA also matches the generated 8.3 names ("*.bin" would find "image.binary" through
    // "IMAGE~1.BIN"), so every name is listed and matched here.
    std::vector<std::string> names;
    for (const Entry& entry : FindEntries("*"))
        if (IsOrdinaryFileEntry(entry) && WildcardMatch(pattern, entry.name)) names.push_back(entry.name);
    SortNames(names);
    return names;
}

std::vector<std::string> Win32Files::ListTopLevel(const std::string& folder,
                                                  ListingFailures* failures) const {
    std::vector<std::string> names;
    for (const Entry& entry : FolderEntries(folder, ChildPattern(folder), failures))
        names.push_back(entry.name);
    SortNames(names);
    return names;
}

std::vector<std::string> Win32Files::ListFilesRecursive(const std::string& folder,
                                                        const std::vector<std::string>& extensions,
                                                        ListingFailures* failures) const {
    std::vector<std::string> files, folders;
    for (const Entry& entry : FolderEntries(folder, ChildPattern(folder), failures)) {
        if (Has(entry.attributes, FILE_ATTRIBUTE_DIRECTORY)) {
            // Junctions and folder links are not followed: they can lead back above the folder.
            if (!Has(entry.attributes, FILE_ATTRIBUTE_REPARSE_POINT)) folders.push_back(entry.name);
        } else if (IsOrdinaryFileEntry(entry)) {
            for (const auto& ext : extensions) {
                if (EndsWithIgnoringAsciiCase(entry.name, "." + ext)) {
                    files.push_back(entry.name);
                    break;
                }
            }
        }
    }
    SortNames(files);
    SortNames(folders);
    std::vector<std::string> result;
    for (const auto& name : files) result.push_back(Join(folder, name));
    for (const auto& name : folders) {
        auto below = ListFilesRecursive(Join(folder, name), extensions, failures);
        result.insert(result.end(), below.begin(), below.end());
    }
    return result;
}

bool Win32Files::IsRegularFile(const std::string& path) const {
    return IsFileOnDisk(Inspect(path));
}

bool Win32Files::IsDirectory(const std::string& path) const {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && Has(attributes, FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Files::Exists(const std::string& path) const {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<uint64_t> Win32Files::FileLength(const std::string& path) const {
    auto facts = Inspect(path);
    if (!IsFileOnDisk(facts)) return std::nullopt;
    return facts->size;
}

std::optional<FileStamp> Win32Files::Stamp(const std::string& path) const {
    if (path.empty()) return std::nullopt;
    Win32Handle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    FileStamp stamp;
    stamp.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = static_cast<int64_t>((static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                          info.ftLastWriteTime.dwLowDateTime) *
                     100;
    stamp.fileId = ((static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow) ^
                   (static_cast<uint64_t>(info.dwVolumeSerialNumber) << 48);
    return stamp;
}

std::optional<size_t> Win32Files::ReadAt(const std::string& path, uint64_t offset,
                                         std::span<uint8_t> out) const {
    if (path.empty()) return std::nullopt;
    Win32Handle file(CreateFileA(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
    size_t total = 0;
    while (total < out.size()) {
        // A synchronous handle reads at the offset the OVERLAPPED names and waits for the bytes.
        uint64_t at = offset + total;
        OVERLAPPED position{};
        position.Offset = static_cast<DWORD>(at);
        position.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(out.size() - total, 1u << 30));
        DWORD read = 0;
        if (!::ReadFile(file.get(), out.data() + total, chunk, &read, &position)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return std::nullopt;
        }
        if (read == 0) break;
        total += read;
    }
    return total;
}

bool Win32Files::WriteFile(const std::string& path, std::string_view content) {
    return WriteFileFrom(path, [content](const auto& append) { return append(content); });
}

bool Win32Files::WriteFileFrom(const std::string& path, const ContentWriter& writer) {
    DWORD old = GetFileAttributesA(path.c_str());
    // A folder, a link or a junction is the user's: neither written through nor replaced. Nor is a
    // device that answers to the name.
    if (old != INVALID_FILE_ATTRIBUTES &&
        (Has(old, FILE_ATTRIBUTE_DIRECTORY) || IsReparsePoint(path) || !IsFileOnDisk(Inspect(path))))
        return false;

    // The new content goes into a hidden file beside the target and takes the target's name only
    // once it is complete and on the disc, so neither a failed write nor a power cut leaves a
    // truncated file.
    std::string prefix = FolderPrefix(path);
    const std::string folder = prefix.empty() ? CurrentDirectory() : prefix;
    if (!sweptFolders_.contains(FolderKey(folder))) RemoveStaleScratchFiles(folder);
    std::string temp;
    Win32Handle file;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        temp = prefix + ScratchName(++tempCounter_);
        // CREATE_NEW never opens what is there already, a link planted under the name included.
        file.reset(CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (!file) return false;
    HANDLE out = file.get();
    bool ok = writer([out](std::string_view piece) { return WriteAll(out, piece); }) && FlushFileBuffers(out);
    ok = file.close() && ok;
    // A replaced file keeps its hidden, system and archive marks; a new one gets none.
    DWORD keep = old == INVALID_FILE_ATTRIBUTES
                     ? 0
                     : old & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    ok = ok && SetFileAttributesA(temp.c_str(), keep == 0 ? FILE_ATTRIBUTE_NORMAL : keep);
    // Write-through: the move is on the disc, folder entry included, when it returns.
    ok = ok && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        SetFileAttributesA(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(temp.c_str());
    }
    return ok;
}

bool Win32Files::DeleteFile(const std::string& path) {
    return !path.empty() && DeleteFileA(path.c_str());
}

bool Win32Files::Rename(const std::string& from, const std::string& to) {
    if (!Exists(from) || to.empty()) return false;
    if (from == to) return true;
    if (!Exists(to)) {
        // Without MOVEFILE_REPLACE_EXISTING a name taken meanwhile makes the move fail.
        return MoveFileExA(from.c_str(), to.c_str(), 0);
    }
    // The new name is taken. That is fine only for a case-only rename ("game.bin" to "Game.bin"),
    // where both names are the same file. NTFS renames it in place, other file systems keep the old
    // spelling or call the name taken; a free name in between works everywhere, and neither step
    // can replace anything.
    auto source = Inspect(from), target = Inspect(to);
    if (!source || !target || !source->onDisk || !target->onDisk || source->volume != target->volume ||
        source->index != target->index)
        return false;
    std::string prefix = FolderPrefix(from);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string temp = prefix + ".cartovex-rename-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(++tempCounter_);
        if (Exists(temp)) continue;
        if (!MoveFileExA(from.c_str(), temp.c_str(), 0)) return false;
        if (MoveFileExA(temp.c_str(), to.c_str(), 0)) return true;
        MoveFileExA(temp.c_str(), from.c_str(), 0);
        return false;
    }
    return false;
}

bool Win32Files::ReplaceFile(const std::string& from, const std::string& to) {
    if (IsDirectory(to) || !IsRegularFile(from)) return false;
    if (IsReparsePoint(to)) return false;
    {
        Win32Handle file(CreateFileA(from.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file || !FlushFileBuffers(file.get())) return false;
    }
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool Win32Files::ClearAttributes(const std::string& path) {
    return !path.empty() && SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string Win32Files::ScratchName(uint32_t tag) {
    return ScratchFileName(ScratchHost(), GetCurrentProcessId(), tag);
}

void Win32Files::RemoveStaleScratchFiles(const std::string& folder) {
    sweptFolders_.insert(FolderKey(folder));
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/' && prefix.back() != ':')
        prefix += '\\';
    // Scratch files are hidden, so the folder is searched directly rather than through FindEntries.
    WIN32_FIND_DATAA data{};
    HANDLE find = FindFirstFileA((prefix + ".cartovex-*.tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    const unsigned long self = GetCurrentProcessId();
    do {
        if (Has(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY)) continue;
        const auto owner = ScratchFileOwner(data.cFileName, ScratchHost());
        if (!owner || *owner == self || !ProcessIsGone(*owner)) continue;
        const std::string stale = prefix + data.cFileName;
        SetFileAttributesA(stale.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(stale.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

}  // namespace cartovex
