// Puts the planned processing of several discs on the disc behind three flushes in all, instead of
// several per disc.
//
// Processing one disc writes its rename journal and flushes it before the first rename, and flushes
// every file it writes before the file takes its name. A batch of discs planned through the dry-run
// overlay keeps both promises for all of them at once:
//   1. every journal and every file the batch writes goes to a scratch file, and the journals take
//      their names; one flush of the file systems then puts all of them on the disc;
//   2. the renames, and the staged files taking their names, follow in the order planned;
//   3. a second flush, and the journals are removed.
// A kill or power cut before the first flush leaves every disc as it was (scratch files are removed
// by the next run); after it, every disc has its journal on the disc, and the next run finishes or
// undoes its renames and writes its sheets, as for a disc processed alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/PlanningFiles.h"

namespace cartovex {

struct StagedCommit {
    enum class Result {
        /// Every change is made and on the disc.
        COMMITTED,
        /// Nothing changed: the plan can't be staged (a journal rewritten after each step), or staging
        /// failed (a full or read-only disc). The discs are to be processed one by one.
        UNCHANGED,
        /// A change failed after the first flush: the journals say what each disc was to become.
        STOPPED,
    } result = Result::UNCHANGED;
    /// STOPPED: how many of the changes were made (the renames among them moved the files).
    size_t made = 0;
    /// STOPPED: the folders holding a journal of the batch, where they are now.
    std::vector<std::string> journalFolders;
};

/// Makes `changes` (planned over `files`, each path full) with the flushes grouped as above.
/// `journalName` names the journals among them.
StagedCommit CommitStaged(Files& files, const std::vector<PlanningFiles::Change>& changes,
                          const std::string& journalName);

}  // namespace cartovex
