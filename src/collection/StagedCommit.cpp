#include "collection/StagedCommit.h"

#include <algorithm>

namespace cartovex {

namespace {

using Change = PlanningFiles::Change;

// `path` after `from` was renamed to `to`: moved when it lies at or below `from`.
void FollowRename(std::string& path, const std::string& from, const std::string& to, char separator) {
    if (!path.empty() && PathIsAtOrBelow(path, from, separator)) path = to + path.substr(from.size());
}

std::string LastPiece(const std::string& path, char separator) {
    return path.substr(path.rfind(separator) + 1);
}

std::string FolderOf(const std::string& path, char separator) {
    const size_t cut = path.rfind(separator);
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

enum class Role { PLAIN, JOURNAL_WRITTEN, JOURNAL_REMOVED };

// What each change is to the batch; nothing when the plan is not one that can be staged: a journal
// written twice (rewritten after each step, so each step needs a flush of its own), or left behind.
std::optional<std::vector<Role>> Roles(const std::vector<Change>& changes, const std::string& journalName,
                                       char separator) {
    std::vector<Role> roles(changes.size(), Role::PLAIN);
    std::vector<std::string> open;
    for (size_t k = 0; k < changes.size(); ++k) {
        const Change& change = changes[k];
        if (change.kind == Change::Kind::RENAME) {
            for (std::string& journal : open) FollowRename(journal, change.path, change.target, separator);
            continue;
        }
        if (LastPiece(change.path, separator) != journalName) continue;
        const auto at = std::find(open.begin(), open.end(), change.path);
        if (change.kind == Change::Kind::WRITE) {
            if (at != open.end()) return std::nullopt;
            open.push_back(change.path);
            roles[k] = Role::JOURNAL_WRITTEN;
        } else {
            if (at == open.end()) return std::nullopt;
            open.erase(at);
            roles[k] = Role::JOURNAL_REMOVED;
        }
    }
    if (!open.empty()) return std::nullopt;
    return roles;
}

// Where `path` of the planned state after the first `count` changes lies before any of them.
std::string BeforeRenames(std::string path, const std::vector<Change>& changes, size_t count,
                          char separator) {
    for (size_t j = count; j-- > 0;)
        if (changes[j].kind == Change::Kind::RENAME)
            FollowRename(path, changes[j].target, changes[j].path, separator);
    return path;
}

void AddOnce(std::vector<std::string>& folders, const std::string& folder) {
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
}

}  // namespace

StagedCommit CommitStaged(Files& files, const std::vector<Change>& changes, const std::string& journalName) {
    const char separator = files.Separator();
    StagedCommit outcome;
    const auto roles = Roles(changes, journalName, separator);
    if (!roles) return outcome;

    // Each write's scratch file, where it is now; emptied once it has its name.
    std::vector<std::string> scratch(changes.size());
    std::vector<std::string> journals, folders;
    auto discardStaged = [&] {
        for (std::string& file : scratch)
            if (!file.empty()) files.DiscardStagedFile(file);
    };
    auto rollBack = [&] {
        discardStaged();
        for (const std::string& journal : journals) files.DeleteFile(journal);
        return outcome;
    };

    // Every file the batch writes, journals included, staged in the folder it lies in now; the
    // journals take their names at once.
    for (size_t k = 0; k < changes.size(); ++k) {
        const Change& change = changes[k];
        if (change.kind != Change::Kind::WRITE) continue;
        const std::string now = BeforeRenames(change.path, changes, k, separator);
        auto staged = files.StageFile(now, change.content, !change.replaces);
        if (!staged) return rollBack();
        scratch[k] = std::move(*staged);
        AddOnce(folders, FolderOf(now, separator));
        if ((*roles)[k] != Role::JOURNAL_WRITTEN) continue;
        if (!files.PlaceStagedFile(scratch[k], now)) return rollBack();
        scratch[k].clear();
        journals.push_back(now);
    }
    if (!files.SyncFileSystems(folders)) return rollBack();

    size_t made = 0;
    auto stop = [&] {
        discardStaged();
        outcome.result = StagedCommit::Result::STOPPED;
        outcome.made = made;
        for (const std::string& journal : journals)
            outcome.journalFolders.push_back(FolderOf(journal, separator));
        return outcome;
    };
    // The disc being committed: where its changes begin, its journal, and whether it has only
    // renamed so far. A rename of its that fails is then put back with the ones before it, as a disc
    // processed alone does; its journal could no longer tell how far it got once the name it wanted
    // is taken by another file.
    size_t discStart = 0, discJournal = 0;
    bool onlyRenamed = false;
    auto putBack = [&](size_t failed) {
        for (size_t j = failed; j-- > discStart + 1;)
            if (changes[j].kind == Change::Kind::RENAME && !files.Rename(changes[j].target, changes[j].path))
                return false;
        files.DeleteFile(journals[discJournal]);
        journals.erase(journals.begin() + static_cast<std::ptrdiff_t>(discJournal));
        made = discStart;
        return true;
    };
    for (size_t k = 0, journal = 0; k < changes.size(); made = ++k) {
        const Change& change = changes[k];
        if ((*roles)[k] == Role::JOURNAL_WRITTEN) {
            discStart = k;
            discJournal = journal++;
            onlyRenamed = true;
        }
        if ((*roles)[k] == Role::JOURNAL_REMOVED) onlyRenamed = false;
        if ((*roles)[k] != Role::PLAIN) continue;
        switch (change.kind) {
            case Change::Kind::RENAME:
                if (!files.Rename(change.path, change.target)) {
                    if (onlyRenamed) putBack(k);
                    return stop();
                }
                for (auto* paths : {&scratch, &journals, &folders})
                    for (std::string& path : *paths)
                        FollowRename(path, change.path, change.target, separator);
                break;
            case Change::Kind::WRITE:
                onlyRenamed = false;
                if (!files.PlaceStagedFile(scratch[k], change.path)) return stop();
                scratch[k].clear();
                break;
            case Change::Kind::DELETE:
                onlyRenamed = false;
                if (!files.DeleteFile(change.path)) return stop();
                break;
        }
    }
    // Until this flush ends, a journal may be all that brings a sheet back whole.
    if (!files.SyncFileSystemsAgain()) return stop();
    for (const std::string& journal : journals) files.DeleteFile(journal);
    outcome.result = StagedCommit::Result::COMMITTED;
    return outcome;
}

}  // namespace cartovex
