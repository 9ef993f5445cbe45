// Files for a dry run: every question is answered as the real run would find the disc at that
// moment, and nothing is changed. Reads go to the real files; renames, writes and deletes are kept
// in an overlay (so a step after a folder rename sees the folder under its new name, and a file
// written earlier in the run can be read back) and each is reported as one line, in the order the
// run makes them. The same operation code then runs for the plan and for the real thing.
//
// The current directory is the overlay's own: the real process never moves, since the folder a
// run changes into may exist only in the plan.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"

namespace cartovex {

class PlanningFiles : public Files {
public:
    using Report = std::function<void(const std::string& line)>;

    /// `real` answers every read and must outlive this; `report` receives "would rename A -> B",
    /// "would write F", "would delete F" and "would replace F with G" lines, with full paths.
    PlanningFiles(const Files& real, Report report);

    /// The real disc's answers are kept (the real files don't change while a plan is made); a run
    /// that changes them meanwhile, in a place the plan has not touched, has them asked again.
    void ForgetRealAnswers() {
        realFacts_.clear();
        realEntries_.clear();
    }
    /// Lets names in the real current folder be answered from the real files' listing of it: for a
    /// run whose real files keep their listings (a mass run), not one that lists afresh each time.
    void AnswerFromRealListings() { listsReal_ = true; }

    /// Writes and deletes of files named `name` (in any folder) are planned but not reported: the
    /// run's own bookkeeping, gone again before it ends, is nothing the run leaves behind.
    void KeepQuietAbout(std::string name) { quietNames_.push_back(std::move(name)); }

    char Separator() const override;
    std::string CurrentDirectory() const override;
    bool SetCurrentDirectory(const std::string& path) override;
    std::vector<std::string> ListCurrentFolder(std::string_view pattern) const override;
    std::shared_ptr<const FolderNames> CurrentFolderNames() const override;
    std::vector<std::string> ListTopLevel(const std::string& folder,
                                          ListingFailures* failures = nullptr) const override;
    std::vector<std::string> ListFilesRecursive(const std::string& folder,
                                                const std::vector<std::string>& extensions,
                                                ListingFailures* failures = nullptr) const override;
    bool IsRegularFile(const std::string& path) const override;
    bool IsDirectory(const std::string& path) const override;
    bool Exists(const std::string& path) const override;
    std::optional<uint64_t> FileLength(const std::string& path) const override;
    std::optional<FileStamp> Stamp(const std::string& path) const override;
    std::optional<size_t> ReadAt(const std::string& path, uint64_t offset,
                                 std::span<uint8_t> out) const override;
    bool WriteFile(const std::string& path, std::string_view content) override;
    bool DeleteFile(const std::string& path) override;
    bool Rename(const std::string& from, const std::string& to) override;
    bool ReplaceFile(const std::string& from, const std::string& to) override;
    /// Changes nothing; true when the file is there.
    bool ClearAttributes(const std::string& path) override;

    /// One planned change, with full paths of the planned state at that moment.
    struct Change {
        enum class Kind { WRITE, DELETE, RENAME } kind;
        std::string path;    // the file written or deleted, or the rename's source
        std::string target;  // the rename's target
        std::string content;
        bool replaces = false;  // a write: something stood under the name in the plan
    };
    /// Every change planned so far, in order: what a run that commits a plan replays.
    const std::vector<Change>& Changes() const { return changes_; }

private:
    // Where a path of the planned state stands on the real disc.
    struct Origin {
        enum class Kind { REAL, WRITTEN, MISSING } kind;
        std::string path;                      // REAL: the real path
        const std::string* content = nullptr;  // WRITTEN: the planned content
    };

    std::string Absolute(const std::string& path) const;
    std::string Parent(const std::string& path) const;
    std::string LastPiece(const std::string& path) const;
    bool IsAtOrBelow(const std::string& path, const std::string& base) const;
    Origin Resolve(const std::string& absolutePath) const;
    std::vector<std::string> Entries(const std::string& absoluteFolder,
                                     ListingFailures* failures = nullptr) const;
    bool IsHiddenName(const std::string& name) const;
    bool IsQuiet(const std::string& absolutePath) const;
    /// True when the current folder is the real one's and no planned change has touched it: its
    /// listings are then the real files' own.
    bool ListsAsReal() const;
    enum class Fact { DIRECTORY, REGULAR_FILE, EXISTS };
    bool RealFact(Fact fact, const std::string& path) const;
    std::optional<bool> ListedFact(Fact fact, const std::string& path) const;

    const Files& real_;
    Report report_;
    std::string current_;
    void Plan(Change change);

    std::vector<Change> changes_;
    std::vector<std::string> arrivedNow_;  // where what each change brought stands now (none for a delete)
    std::vector<std::string> quietNames_;
    mutable std::map<std::pair<Fact, std::string>, bool> realFacts_;
    mutable std::map<std::string, std::vector<std::string>> realEntries_;  // real folder -> its entries
    bool listsReal_ = false;
};

}  // namespace cartovex
