// Taking runs back: the steps a run recorded in the history (RunHistory.h), undone newest first.
//
// Nothing is changed until every step has been checked against the disc as the steps before it
// would leave it: each file must still have the name and the content the run left it with, each
// old name must be free, every name must lie in the run's folder, and no folder on the way may be
// a link. The undo then runs from a journal in the start folder, with its progress noted after
// each step, so an undo killed halfway is finished by the next run. An undo is a run of its own in
// the history: taking it back makes the undone run's changes again.
#pragma once

#include <string>
#include <vector>

#include "history/RunHistory.h"
#include "state/Program.h"

namespace cartovex {

/// The undo's plan, written before its first step, and how many steps are done.
inline constexpr const char* UNDO_JOURNAL_NAME = ".cartovex-undo-journal";
inline constexpr const char* UNDO_PROGRESS_NAME = ".cartovex-undo-progress";

struct UndoRequest {
    /// The oldest run to take back; 0 for the newest run.
    unsigned long run = 0;
    /// Taking back more than one run needs the user's word.
    bool confirmed = false;
    /// Only say what would be done.
    bool dryRun = false;
};

enum class UndoOutcome {
    DONE,     // taken back (or, for a dry run, it could be)
    REFUSED,  // nothing was changed, and the pane says why
    NOTHING,  // the history holds no run to take back
};

UndoOutcome UndoRuns(Program& program, const UndoRequest& request);

/// Finishes an undo that was killed in the middle, and records it; true when no unfinished undo
/// is left.
bool FinishInterruptedUndo(Program& program);

/// The pane lines of the `history` command, newest run first; false when the history can't be
/// read (its one line is in the pane).
bool ShowHistory(Program& program);

/// One run as a JSON object on one line.
std::string HistoryRunJson(const HistoryRun& run);

/// Whether `path` is absolute with no "." or ".." pieces, and lies at or below `folder`.
bool LiesIn(const std::string& path, const std::string& folder, char separator);

}  // namespace cartovex
