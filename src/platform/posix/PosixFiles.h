// Files on Linux.
#pragma once

#include <sys/types.h>

#include <map>
#include <random>
#include <set>

#include "platform/Files.h"

namespace cartovex {

class PosixFiles : public Files {
public:
    PosixFiles() = default;
    ~PosixFiles() override;
    PosixFiles(const PosixFiles&) = delete;
    PosixFiles& operator=(const PosixFiles&) = delete;

    char Separator() const override { return '/'; }
    std::string CurrentDirectory() const override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::vector<std::string> ListCurrentFolder(std::string_view pattern) const override;
    std::vector<std::string> ListTopLevel(const std::string& folder,
                                          ListingFailures* failures = nullptr) const override;
    std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures = nullptr) const override;
    std::vector<std::string> WalkFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures,
                                                const FolderWalked& walked) const override;
    bool IsRegularFile(const std::string& path) const override;
    bool IsDirectory(const std::string& path) const override;
    bool Exists(const std::string& path) const override;
    bool IsLink(const std::string& path) const override;
    std::optional<uint64_t> FileLength(const std::string& path) const override;
    std::optional<FileStamp> Stamp(const std::string& path) const override;
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override;
    std::unique_ptr<OpenFile> OpenForReading(const std::string& path, bool sequential = true) const override;
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool WriteFileFrom(const std::string& path, const ContentWriter& writer) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool ClearAttributes(const std::string& path) override;
    void RemoveStaleScratchFiles(const std::string& folder) override;
    void DeferFolderFlushes() override { ++deferrals_; }
    bool EndFolderFlushDeferral() override;
    bool StagesWrites() const override { return true; }
    std::optional<std::string> StageFile(const std::string& path, std::string_view content,
                                         bool nameFree) override;
    bool PlaceStagedFile(const std::string& scratch, const std::string& path) override;
    bool SyncFileSystems(const std::vector<std::string>& folders) override;
    bool SyncFileSystemsAgain() override;
    bool DiscardStagedFile(const std::string& scratch) override;

private:
    std::string AbsoluteFolder(const std::string& folder) const;
    std::optional<std::string> ScratchWritten(const std::string& path, const ContentWriter& writer,
                                              bool flush, std::string& absoluteFolder,
                                              bool* replaces = nullptr, bool nameFree = false);
    void RemoveStaleScratchFiles(const std::string& folder, const std::string& absoluteFolder);
    void RemoveStaleScratchFiles(const std::string& folder, const std::string& absoluteFolder,
                                 const std::vector<std::string>& seen);
    void CloseSyncedSystems();
    bool FolderSyncedKeepingItOpen(const std::string& folder, const std::string& absoluteFolder);
    /// Flushes the folder now, or at the end of the open deferral.
    bool FolderFlushed(const std::string& folder, const std::string& absoluteFolder);

    // The folder flushed last, held open for the next flush there (-1 for none).
    int syncedFolder_ = -1;
    std::string syncedFolderPath_;
    // Open deferrals of folder flushes, and the folders (absolute) written in meanwhile, in order.
    int deferrals_ = 0;
    std::vector<std::string> deferredFolders_;

    // Folders already cleared of stale scratch files by this process, by absolute path.
    std::set<std::string> sweptFolders_;
    // The scratch names a walk over a collection saw, by absolute folder.
    mutable std::map<std::string, std::vector<std::string>> scratchSeen_;
    // One folder of each file system the last SyncFileSystems flushed, held open to flush it again.
    std::vector<int> syncedSystems_;
    // Whether each staged file (by scratch name) had an ordinary file to replace when it was staged.
    std::map<std::string, bool> stagedOver_;
    // The file the last ReadAt read, and its mode then.
    struct LastRead {
        std::string path;
        mode_t mode = 0;
    };
    mutable LastRead lastRead_;
    // Tags for fresh scratch names.
    std::mt19937 tags_{std::random_device{}()};
};

}  // namespace cartovex
