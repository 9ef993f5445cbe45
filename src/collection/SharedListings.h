// Folder listings shared across one mass-processing run.
//
// Every analysis lists its image's folder, and processing lists it again for the companions, the
// name check and the CUE sheets. In a folder of thousands of images that is one full listing per
// image, so a run grows with the square of the folder's size. Inside a run this decorator lists each
// folder once and keeps the listing true to what the run itself does there: a rename, a write or a
// delete made through it is applied to the kept listing, and anything it can't follow (a folder
// renamed, a failed call, a name the platform might hide) drops what it kept, so the next question
// lists afresh.
//
// A change into a folder a kept listing shows is only noted: every path handed on is then made
// whole from it, and the system's own current directory follows only when a call needs it (a
// listing not kept). An image that is only analysed costs no directory change.
//
// Listings are kept by the current directory's own spelling; the run's changes name their files by
// bare names or by paths built from a current directory or the start folder, so they find them.
// Changes made from outside the program while the run is going are not seen, as a listing taken a
// moment earlier would not see them either; renames still never replace anything.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/FolderNames.h"

namespace cartovex {

class SharedListingFiles : public Files {
public:
    explicit SharedListingFiles(Files& inner) : inner_(inner) {}
    /// The system's current directory is left where the run last said it is.
    ~SharedListingFiles() override { Arrive(); }
    SharedListingFiles(const SharedListingFiles&) = delete;
    SharedListingFiles& operator=(const SharedListingFiles&) = delete;

    char Separator() const override { return inner_.Separator(); }
    /// The run makes every directory change through here, so the current directory is known
    /// without asking the system, and a change to where the run already is costs nothing.
    std::string CurrentDirectory() const override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::vector<std::string> ListCurrentFolder(std::string_view pattern) const override;
    std::shared_ptr<const FolderNames> CurrentFolderNames() const override;
    std::vector<std::string> ListTopLevel(const std::string& folder,
                                          ListingFailures* failures = nullptr) const override;
    /// The walk reads every folder of the collection: what it saw is each folder's listing from then
    /// on, so no folder is listed again when the run comes to its discs.
    std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures = nullptr) const override;
    std::optional<ListedKind> KeptListingSays(const std::string& path) const override;
    bool IsRegularFile(const std::string& path) const override { return inner_.IsRegularFile(Here(path)); }
    bool IsDirectory(const std::string& path) const override { return inner_.IsDirectory(Here(path)); }
    bool IsLink(const std::string& path) const override { return inner_.IsLink(Here(path)); }
    bool Exists(const std::string& path) const override { return inner_.Exists(Here(path)); }
    std::optional<uint64_t> FileLength(const std::string& path) const override {
        return inner_.FileLength(Here(path));
    }
    std::optional<FileStamp> Stamp(const std::string& path) const override {
        return inner_.Stamp(Here(path));
    }
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override {
        return inner_.ReadAt(Here(path), offset, out);
    }
    std::unique_ptr<OpenFile> OpenForReading(const std::string& path, bool sequential = true) const override {
        return inner_.OpenForReading(Here(path), sequential);
    }
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    bool ClearAttributes(const std::string& path) override;
    void RemoveStaleScratchFiles(const std::string& folder) override {
        inner_.RemoveStaleScratchFiles(Here(folder));
    }
    void DeferFolderFlushes() override { inner_.DeferFolderFlushes(); }
    bool StagesWrites() const override { return inner_.StagesWrites(); }
    // A scratch name is hidden: no listing changes until the file takes its name.
    std::optional<std::string> StageFile(const std::string& path, std::string_view content,
                                         bool nameFree) override;
    bool PlaceStagedFile(const std::string& scratch, const std::string& path) override;
    bool SyncFileSystems(const std::vector<std::string>& folders) override;
    bool SyncFileSystemsAgain() override { return inner_.SyncFileSystemsAgain(); }
    bool DiscardStagedFile(const std::string& scratch) override;
    bool EndFolderFlushDeferral() override { return inner_.EndFolderFlushDeferral(); }

    /// Folder listings taken from the platform so far (for tests and the benchmarks).
    int ListingsTaken() const { return listingsTaken_; }

private:
    struct Kept {
        // Ordinary files, as ListCurrentFolder("*"). Handed out shared, so it is copied before a change
        // while an analysis still holds it.
        std::shared_ptr<FolderNames> files;
        std::optional<std::vector<std::string>> entries;  // everything, as ListTopLevel
        std::optional<std::vector<std::string>> folders;  // the entries that are folders, when a walk said
        std::optional<std::vector<std::string>> hidden;   // the names listings leave out, when a walk said
    };
    // Folder keys compare as the platform compares paths: Windows ignores case.
    struct KeyLess {
        bool ignoreCase;
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct Place {
        std::string folder, name;
    };

    /// `path` as the system is to be given it: made whole from the current directory while the
    /// system's own lags behind.
    std::string Here(const std::string& path) const;
    /// Takes the system's current directory to the run's; false when it can't go there.
    bool Arrive() const;
    /// What a listing says of a name it doesn't hold.
    static std::optional<ListedKind> NotListed(const std::vector<std::string>& listed,
                                               const std::string& name);
    /// Where a path's name lives, or nothing when the path doesn't say plainly.
    std::optional<Place> PlaceOf(const std::string& path) const;
    Kept* KeptFor(const std::string& folder);
    /// The current folder's kept files, listed now if they weren't yet; null when it can't say.
    Kept* KeptFiles() const;
    void NameAdded(const Place& place);
    void NameRemoved(const Place& place);
    void FolderRenamed(const std::string& from, const std::string& to, const Place& source,
                       const Place& target);
    void Forget(const std::string& folder) { kept_.erase(folder); }
    void ForgetAll() { kept_.clear(); }

    Files& inner_;
    mutable std::map<std::string, Kept, KeyLess> kept_{KeyLess{inner_.Separator() == '\\'}};
    mutable int listingsTaken_ = 0;
    mutable std::optional<std::string> current_;  // the current directory, once known
    mutable bool arrived_ = true;                 // the system's current directory is current_
};

}  // namespace cartovex
