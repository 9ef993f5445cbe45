// The journal of a processing run: every rename it will make, in order, and the content every sheet
// of the folder takes once they are made, written into the image's folder before the first rename
// and removed after the last sheet is written.
//
// A run killed halfway (a crash, a pulled plug, a closed terminal) leaves files under temporary or
// half-new names. Worked out again from such a folder, the plan would number the companions from
// wherever the run stopped, or refuse because a name it wants is taken by its own leftover. The
// journal lets the next run finish the very plan that was interrupted, or put every file back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "outputs/RenamePlan.h"
#include "state/Program.h"

namespace cartovex {

/// The journal's name in the image's folder; a dot-file, so no listing shows it.
inline constexpr const char* JOURNAL_NAME = ".cartovex-journal";

struct RenameJournal {
    std::vector<RenameStep> steps;                            // bare names, in the order they are made
    std::vector<std::pair<std::string, std::string>> sheets;  // sheet name, its content afterwards
    /// Rewritten after each step (see NeedsCheckpoints): at most its first step can be done.
    bool checkpointed = false;
};

std::string JournalText(const RenameJournal& journal);
/// Nothing for a text that is not a whole journal.
std::optional<RenameJournal> ParseJournal(std::string_view text);

/// How many of the steps the folder shows done, at most `mostDone`: the largest count whose names
/// are all there and whose other names are all gone. Nothing when no count fits (a file gone, a
/// name taken).
std::optional<size_t> StepsDone(const Files& files, const std::vector<RenameStep>& steps, size_t mostDone);

/// Each file's name before the steps and after them, for the files whose name changes.
std::vector<RenameStep> ComposedRenames(const std::vector<RenameStep>& steps);

/// True when two different counts of done steps leave the same names behind (files changing places
/// in a cycle): the journal must then be rewritten after each step, or the folder can't tell how
/// far a run got.
bool NeedsCheckpoints(const std::vector<RenameStep>& steps);

/// What a run found of an interrupted one in the current folder.
struct Recovery {
    bool found = false;
    /// The renames made now, each from the name before to the name after.
    std::vector<RenameStep> renamed;
};

/// Finishes or undoes the run a journal in the current folder records, says which in one pane line,
/// and removes the journal.
Recovery FinishInterruptedRun(Program& program);

}  // namespace cartovex
