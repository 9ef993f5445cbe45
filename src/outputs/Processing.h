// Per-image processing: renames an identified image, its audio tracks and its folder after the
// database title and writes the outputs the toggles ask for.
#pragma once

#include "state/Program.h"

namespace cartovex {

enum class ProcessOutcome {
    NOT_IDENTIFIED,  // no disc to process: nothing was done
    DONE,            // every step the toggles ask for was done
    INCOMPLETE,      // refused before renaming (a name taken, an unusable title), or a step failed
};

/// Processes the image the last analysis identified, in the current folder (the image's), after
/// settling a run that was interrupted there.
ProcessOutcome ProcessImage(Program& program);

/// Settles a run that was interrupted in the folder of `imagePath` (see RenameJournal.h) and gives
/// the image's path afterwards: the run may have renamed it.
std::string SettleInterruptedRun(Program& program, const std::string& imagePath);

}  // namespace cartovex
