// Files that note every change a run makes to the collection, for the run history.
//
// Processing and mass runs make all their changes through the program's files; put in front of
// them for the length of a run, this decorator sees each rename, write and removal with the path
// it was given and notes it with a full path: what undo needs to take it back. Before a file is
// replaced or removed its old content is read and kept (up to KEPT_CONTENT_LIMIT). The program's
// own bookkeeping (the rename journal, the settings and lists in the start folder) is passed
// through without a note: it is no part of the collection.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "history/RunHistory.h"
#include "platform/Files.h"
#include "state/RunContext.h"

namespace cartovex {

class RecordingFiles : public Files {
public:
    /// `ignored`: full paths whose changes are not noted.
    RecordingFiles(Files& inner, std::vector<std::string> ignored);

    /// The changes noted so far, in the order they were made.
    const std::vector<HistoryStep>& Steps() const { return steps_; }

    char Separator() const override { return inner_.Separator(); }
    std::string CurrentDirectory() const override { return inner_.CurrentDirectory(); }
    bool SetCurrentDirectory(const std::string& path) override;
    std::vector<std::string> ListCurrentFolder(std::string_view pattern) const override {
        return inner_.ListCurrentFolder(pattern);
    }
    std::shared_ptr<const FolderNames> CurrentFolderNames() const override {
        return inner_.CurrentFolderNames();
    }
    std::vector<std::string> ListTopLevel(const std::string& folder,
                                          ListingFailures* failures = nullptr) const override {
        return inner_.ListTopLevel(folder, failures);
    }
    std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures = nullptr) const override {
        return inner_.ListFilesRecursive(folder, extensions, failures);
    }
    std::vector<std::string> WalkFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures,
                                                const FolderWalked& walked) const override {
        return inner_.WalkFilesRecursive(folder, extensions, failures, walked);
    }
    bool IsRegularFile(const std::string& path) const override { return inner_.IsRegularFile(path); }
    bool IsDirectory(const std::string& path) const override { return inner_.IsDirectory(path); }
    bool Exists(const std::string& path) const override { return inner_.Exists(path); }
    bool IsLink(const std::string& path) const override { return inner_.IsLink(path); }
    std::optional<uint64_t> FileLength(const std::string& path) const override {
        return inner_.FileLength(path);
    }
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override {
        return inner_.ReadAt(path, offset, out);
    }
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool ClearAttributes(const std::string& path) override { return inner_.ClearAttributes(path); }
    void RemoveStaleScratchFiles(const std::string& folder) override {
        inner_.RemoveStaleScratchFiles(folder);
    }
    void DeferFolderFlushes() override { inner_.DeferFolderFlushes(); }
    bool StagesWrites() const override { return inner_.StagesWrites(); }
    std::optional<std::string> StageFile(const std::string& path, std::string_view content,
                                         bool nameFree) override;
    /// Noted as the write of `path` with the staged content.
    bool PlaceStagedFile(const std::string& scratch, const std::string& path) override;
    bool SyncFileSystems(const std::vector<std::string>& folders) override {
        return inner_.SyncFileSystems(folders);
    }
    bool SyncFileSystemsAgain() override { return inner_.SyncFileSystemsAgain(); }
    bool DiscardStagedFile(const std::string& scratch) override { return inner_.DiscardStagedFile(scratch); }
    bool EndFolderFlushDeferral() override { return inner_.EndFolderFlushDeferral(); }

private:
    std::string Full(const std::string& path) const;
    bool Ignored(const std::string& full) const;
    /// The step for a file about to be replaced or removed: its old content, when it is kept.
    HistoryStep Before(HistoryStep::Kind kind, const std::string& full) const;

    Files& inner_;
    std::vector<std::string> ignored_;
    std::string current_;  // followed from every directory change, so no call asks the system
    std::vector<HistoryStep> steps_;
    // Each staged file's length and checksum, and whether its name was free, by its scratch name:
    // its folder may be renamed before it takes its name.
    struct Staged {
        uint64_t length;
        uint32_t crc;
        bool nameFree;
    };
    std::map<std::string, Staged> staged_;
    // The length of each file the run renamed, by the full name it gave it: a file renamed on from
    // a passing name needs no second look.
    std::map<std::string, uint64_t> renamedLengths_;
};

/// `path` made absolute against `current` and normalised: no "." or ".." pieces, no doubled or
/// trailing separator. On Windows a drive letter or a share starts an absolute path.
std::string NormalPath(std::string_view path, std::string_view current, char separator);

/// The folder `path` lies in ("/" for "/x"); `path` itself when it has no separator.
std::string ParentFolder(const std::string& path, char separator);

/// The history's record of one processing or mass run. While it lives, the program's files go
/// through a RecordingFiles; Finish adds what the run changed to the history. An undo that was
/// killed is finished first, so the run starts from whole names.
class RecordedRun {
public:
    explicit RecordedRun(Program& program);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

    /// Records the run as `command`, its names all at or below `folder`; a run that changed
    /// nothing is not recorded.
    void Finish(const std::string& command, const std::string& folder);

private:
    Program& program_;
    // The run's context, the command's own unless a run is under way already.
    RunScope scope_;
    Files* previous_;
    std::string time_;
    RecordingFiles recording_;
    bool active_ = true;
};

}  // namespace cartovex
