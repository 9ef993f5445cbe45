// A Files decorator for tests: forwards every call to a real Files (PosixFiles by default), counts
// the calls per method, and fails chosen calls on chosen paths, the way a locked file, a full disc
// or a vanished folder would.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/posix/PosixFiles.h"

namespace cartovex::testkit {

class SpyFiles : public Files {
public:
    SpyFiles() : inner_(own_) {}
    explicit SpyFiles(Files& inner) : inner_(inner) {}

    /// Calls of a method so far, by its name ("ListCurrentFolder", "ReadAt", ...).
    int Calls(const std::string& method) const;
    void ResetCounts() { calls_.clear(); }

    /// Makes `method` fail for `path`: the path as passed, or a bare name matching its last piece.
    /// A failing query answers as for a missing file (false, nothing, an empty list); a failing
    /// listing also reports its folder as unreadable.
    void Fail(const std::string& method, const std::string& path) { failures_.insert({method, path}); }
    /// Makes `method` fail for every path `when` says yes to: a whole read-only or full folder.
    void FailWhen(const std::string& method, std::function<bool(const std::string& path)> when) {
        failWhen_.push_back({method, std::move(when)});
    }
    void ClearFailures() {
        failures_.clear();
        failWhen_.clear();
    }

    /// Runs `action` once, just before the first call of `method` for `path` (matched as for Fail)
    /// goes through: a file can vanish at the moment the program looks at it.
    void Before(const std::string& method, const std::string& path, std::function<void()> action) {
        hooks_.push_back({method, path, std::move(action)});
    }

    /// The changes that went through, in order, with full paths: "rename A -> B" (not to the name a
    /// file has already), "write F", "delete F".
    const std::vector<std::string>& Changes() const { return changes_; }

    char Separator() const override;
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
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool ClearAttributes(const std::string& path) override;
    void RemoveStaleScratchFiles(const std::string& folder) override;
    /// A staged write counts, fails and fires hooks as the WriteFile it stands for; it is listed
    /// among the changes when the file takes its name.
    bool StagesWrites() const override { return inner_.StagesWrites(); }
    std::optional<std::string> StageFile(const std::string& path, std::string_view content,
                                         bool nameFree) override;
    bool PlaceStagedFile(const std::string& scratch, const std::string& path) override;
    bool SyncFileSystems(const std::vector<std::string>& folders) override;
    bool SyncFileSystemsAgain() override;
    bool DiscardStagedFile(const std::string& scratch) override { return inner_.DiscardStagedFile(scratch); }

private:
    /// Counts the call; true when it is to fail.
    bool Record(const std::string& method, const std::string& path = {}) const;
    bool Matches(const std::string& path, const std::string& target) const;
    static std::vector<std::string> Unreadable(const std::string& folder, ListingFailures* failures);
    std::string Full(const std::string& path) const;

    struct Hook {
        std::string method, path;
        std::function<void()> action;
    };

    PosixFiles own_;
    Files& inner_;
    mutable std::map<std::string, int> calls_;
    std::set<std::pair<std::string, std::string>> failures_;
    std::vector<std::pair<std::string, std::function<bool(const std::string&)>>> failWhen_;
    mutable std::vector<Hook> hooks_;
    std::vector<std::string> changes_;
};

}  // namespace cartovex::testkit
