#include "outputs/Processing.h"

#include <algorithm>
#include <optional>

#include "common/Text.h"
#include "disc/DiscFolder.h"
#include "disc/ImageFormat.h"
#include "disc/ImgSet.h"
#include "disc/containers/ContainerKinds.h"
#include "outputs/CueRepair.h"
#include "outputs/CueSheet.h"
#include "outputs/DiscPlan.h"
#include "outputs/InfoReport.h"
#include "outputs/Playlist.h"
#include "outputs/RenameJournal.h"
#include "outputs/RenamePlan.h"
#include "outputs/SheetUpdate.h"
#include "outputs/TitleCheck.h"
#include "state/MenuModel.h"
#include "state/Settings.h"

namespace cartovex {

namespace {

struct ToggleSnapshot {
    bool generateLog, renameFolder, generateCue, fixCue, underscore;
};

ToggleSnapshot TakeToggleSnapshot(Program& program) {
    const Window& window = program.window();
    auto on = [&window](int id) { return window.MenuItemState(id) == MENU_CHECKED; };
    return {on(CMD_TOGGLE_GENERATE_LOG), on(CMD_TOGGLE_RENAME_FOLDER) && !program.Run().keepFolderName,
            on(CMD_TOGGLE_GENERATE_CUE), on(CMD_TOGGLE_FIX_CUE), on(CMD_TOGGLE_UNDERSCORE)};
}

// The names this run moves away from, and the folder's entries as listed, to tell a taken name from
// one that only a case-insensitive file system reports as existing because it is a mover's own.
class NameCheck {
public:
    NameCheck(const Files& files, std::vector<std::string> movers)
        : files_(files), movers_(std::move(movers)) {}

    bool IsTaken(const std::string& name) const {
        if (!files_.Exists(name)) return false;
        for (const std::string& mover : movers_) {
            if (mover == name) return false;
            if (EqualsIgnoringAsciiCase(mover, name) && !Listed(name)) return false;
        }
        return true;
    }

private:
    // The folder is listed only for a name that differs from a mover's in case alone: rare.
    bool Listed(const std::string& name) const {
        if (!listedYet_) listed_ = files_.ListTopLevel(files_.CurrentDirectory());
        listedYet_ = true;
        return std::find(listed_.begin(), listed_.end(), name) != listed_.end();
    }

    const Files& files_;
    std::vector<std::string> movers_;
    mutable bool listedYet_ = false;
    mutable std::vector<std::string> listed_;
};

// The first name this run would give that is not free: taken by a file the run doesn't rename, or
// planned twice (two companions with the same number). Compared without regard to case, since the
// same folder may be read from Windows.
std::optional<std::string> FirstTakenName(const Files& files, const DiscPlan& plan) {
    std::vector<std::string> movers{plan.image.from};
    for (const RenameStep& step : plan.companions.toTemporary) movers.push_back(step.from);
    for (const RenameStep& step : plan.tracks) movers.push_back(step.from);
    const NameCheck check(files, movers);

    // The final names first: they are the ones the user will look for.
    std::vector<std::string> targets;
    for (const RenameStep& step : plan.companions.toFinal) targets.push_back(step.to);
    for (const RenameStep& step : plan.companions.toTemporary) targets.push_back(step.to);
    for (const RenameStep& step : plan.tracks) targets.push_back(step.to);
    targets.push_back(plan.image.to);
    for (size_t i = 0; i < targets.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (EqualsIgnoringAsciiCase(targets[i], targets[j])) return targets[i];
        if (check.IsTaken(targets[i])) return targets[i];
    }
    return std::nullopt;
}

// Every rename of the plan, in the order they are made: the companions' two phases, then the set's
// other files and the image.
std::vector<RenameStep> AllSteps(const DiscPlan& plan) {
    std::vector<RenameStep> steps = plan.companions.toTemporary;
    steps.insert(steps.end(), plan.companions.toFinal.begin(), plan.companions.toFinal.end());
    // Companions that end with the names they have (a disc processed before) need no round trip
    // through temporary names, and the journal no rewrite after each step of it.
    if (ComposedRenames(steps).empty()) steps.clear();
    const auto files = plan.OrderedFileSteps();
    steps.insert(steps.end(), files.begin(), files.end());
    // Nor does a file that keeps its name: a step that changes nothing would look like a cycle.
    std::erase_if(steps, [](const RenameStep& step) { return step.from == step.to; });
    return steps;
}

// Puts back the first `count` steps, last first. True when every file has its old name again; the
// journal then goes too, else the next run finds it and finishes the job.
bool UndoRenames(Program& program, const std::vector<RenameStep>& steps, size_t count) {
    Files& files = program.files();
    bool all = true;
    for (size_t i = count; i-- > 0;) {
        if (files.Rename(steps[i].to, steps[i].from)) continue;
        program.pane.AppendLine(steps[i].to + " could not be given its old name back.");
        all = false;
    }
    if (all) files.DeleteFile(JOURNAL_NAME);
    return all;
}

// Makes the renames the journal records. A rename that fails (a name taken after the check, a file
// gone) stops them all: what was renamed is put back, so no sheet is ever left naming a file this
// run did not rename.
bool RenameDiscFiles(Program& program, RenameJournal journal) {
    Files& files = program.files();
    const std::vector<RenameStep> steps = journal.steps;
    const bool checkpoints = journal.checkpointed;
    for (size_t i = 0; i < steps.size(); ++i) {
        files.ClearAttributes(steps[i].from);
        if (!files.Rename(steps[i].from, steps[i].to)) {
            program.pane.AppendLine(steps[i].from + " could not be renamed.");
            program.pane.AppendLine(UndoRenames(program, steps, i)
                                        ? "Processing stopped, every file keeps its old name."
                                        : "Processing stopped; the next run finishes or undoes its renames.");
            return false;
        }
        if (checkpoints) {
            journal.steps.erase(journal.steps.begin());
            files.WriteFile(JOURNAL_NAME, JournalText(journal));
        }
    }
    return true;
}

// The start folder holds the settings and the reference files; renamed, it would take them away
// from the program mid-run.
bool HoldsStartFolder(const Program& program, const std::string& folder) {
    const char separator = program.platform.files.Separator();
    const std::string& start = program.startFolder;
    const bool ignoreCase = separator == '\\';
    auto same = [ignoreCase](std::string_view a, std::string_view b) {
        return ignoreCase ? EqualsIgnoringAsciiCase(a, b) : a == b;
    };
    if (same(start, folder)) return true;
    return start.size() > folder.size() && start[folder.size()] == separator &&
           same(std::string_view(start).substr(0, folder.size()), folder);
}

// Takes over what a recovery renamed: the image itself may be among the files.
void FollowRecovery(Program& program, RunContext& run, const Recovery& recovery) {
    DiscInfo& disc = program.disc;
    if (auto name = NewNameOf(recovery.renamed, disc.fileName)) disc.fileName = *name;
    Files& files = program.files();
    const std::string here = files.CurrentDirectory();
    for (const RenameStep& step : recovery.renamed)
        run.renamedFiles.emplace_back(files.Join(here, step.from), files.Join(here, step.to));
}

// The CloneCD control file beside an .img, as the folder spells it; empty for any other image.
std::string CloneCdControlFile(const Files& files, const DiscInfo& disc) {
    if (disc.extension != "img") return {};
    return FindImgSet(files, {}, FolderListing::OfCurrentFolder(files).Names(), disc.fileName).controlFile;
}

struct FolderRename {
    bool renamed = false;
    /// The rename was refused because a file or folder of the title's name is there already.
    bool taken = false;
    /// False when the run could not get back into the image's folder under either name.
    bool inImageFolder = true;
};

// Renames the current folder to `title` from its parent, and goes back into it under whichever
// name it has afterwards. Never enters another folder that carries the title.
FolderRename RenameImageFolder(Program& program, RunContext& run, const std::string& title) {
    Files& files = program.files();
    const char separator = files.Separator();
    const std::string here = files.CurrentDirectory();
    const size_t cut = here.find_last_of(separator);
    if (cut == std::string::npos || cut + 1 >= here.size()) return {};  // a root
    std::string parent = here.substr(0, cut);
    if (parent.empty() || parent.back() == ':') parent += separator;
    const std::string name = here.substr(cut + 1);

    // Windows won't rename the folder a process is in.
    if (!files.SetCurrentDirectory(parent)) return {};
    const std::string renamed = files.Join(parent, title);
    if (!files.Rename(files.Join(parent, name), renamed)) {
        // Renames never replace: a duplicate copy's folder meets the first copy's folder here.
        const bool taken = files.Exists(renamed);
        return {false, taken, files.SetCurrentDirectory(here)};
    }
    program.disc.folderName = title;
    run.renamedFolder = {here, renamed};
    return {true, false, files.SetCurrentDirectory(renamed)};
}

}  // namespace

ProcessOutcome ProcessImage(Program& program) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    OutputPane& pane = program.pane;
    RunScope scope(program);
    RunContext& run = scope.Context();
    run.renamedFiles.clear();
    run.renamedFolder.reset();
    // Only an identified disc has a title to give; anything else would be renamed under the name
    // of the image analysed before it.
    if (disc.matchIndex == NONE_VALUE) return ProcessOutcome::NOT_IDENTIFIED;

    // A run that was cut short in this folder is settled first, so this one starts from names that
    // one whole run or none gave; a caller that has just done so says so.
    const bool settled = !run.settledFolder.empty() && run.settledFolder == files.CurrentDirectory();
    run.settledFolder.clear();
    const Recovery recovery = settled ? Recovery{} : FinishInterruptedRun(program);
    FollowRecovery(program, run, recovery);
    if (recovery.found && files.Exists(JOURNAL_NAME)) return ProcessOutcome::INCOMPLETE;

    const ToggleSnapshot toggles = TakeToggleSnapshot(program);
    const char separator = toggles.underscore ? '_' : ' ';
    std::replace(disc.displayName.begin(), disc.displayName.end(), ' ', separator);
    const std::string title = disc.displayName;
    if (!IsUsableTitle(title)) {
        pane.AppendLine("Title can't be used as a file name: " + title);
        return ProcessOutcome::INCOMPLETE;
    }

    const FolderListing folder = FolderListing::OfCurrentFolder(files);
    const DiscPlan plan = PlanDiscRenames(files, folder.Names(), disc, title, separator);
    if (!plan.refusal.empty()) {
        pane.AppendLine(plan.refusal);
        return ProcessOutcome::INCOMPLETE;
    }
    // Every new name is checked before the first rename, so a folder is never left half renamed.
    if (auto taken = FirstTakenName(files, plan)) {
        pane.AppendLine("Can't rename, " + *taken + " exists already.");
        return ProcessOutcome::INCOMPLETE;
    }
    // Decided before anything moves: the folder's other discs are the files this run leaves alone.
    const bool sharedFolder = HoldsAnotherDisc(files, folder.Names(), disc.fileName, disc.cueFile);
    for (const std::string& note : plan.notes) pane.AppendLine(note);

    // The whole plan, sheets included, is on disc before the first rename.
    RenameJournal journal{AllSteps(plan), {}};
    const std::vector<RenameStep> renames = ComposedRenames(journal.steps);
    std::vector<RenameStep> ownSheetRenames;
    // A sheet left naming a name that is gone belongs to the image; its data track line follows it.
    if (!plan.sheetImageName.empty()) ownSheetRenames.push_back({plan.sheetImageName, plan.image.to});
    bool longLine = false;
    journal.sheets = PlanSheetUpdates(files, renames, disc.cueFile, ownSheetRenames, &longLine);
    // Playlists are sheets of sheets: they follow in the same journal.
    std::vector<std::string> playlistNotes;
    for (SheetUpdate& update : PlanPlaylistUpdates(files, renames, &playlistNotes))
        journal.sheets.push_back(std::move(update));
    for (const std::string& note : playlistNotes) pane.AppendLine(note);
    journal.checkpointed = NeedsCheckpoints(journal.steps);
    // A full or read-only disc can't take the journal; the renames may still go through (they need
    // no space), and a failed one is put back all the same.
    if (!files.WriteFile(JOURNAL_NAME, JournalText(journal)))
        pane.AppendLine("The rename journal could not be written; renaming without it.");
    if (!RenameDiscFiles(program, journal)) return ProcessOutcome::INCOMPLETE;
    const std::string here = files.CurrentDirectory();
    for (const RenameStep& step : renames)
        run.renamedFiles.emplace_back(files.Join(here, step.from), files.Join(here, step.to));
    disc.fileName = plan.image.to;
    // The sheets' folder is flushed once for all of them, before the journal that could write them
    // again goes; so is the folder of the report and the generated sheet, before it is renamed.
    FolderFlushDeferral sheetFlushes(files);
    bool complete = WriteSheetUpdates(program, journal.sheets);
    complete = sheetFlushes.Flush() && complete;
    files.DeleteFile(JOURNAL_NAME);
    FolderFlushDeferral outputFlushes(files);

    if (toggles.generateLog) {
        const bool written = WriteInfoReport(program);
        pane.AppendLine(written ? "KVX_INFO.TXT generated." : "KVX_INFO.TXT could not be written.");
        complete = complete && written;
    }

    // An image with a sheet of its own keeps that one: a second would be a second disc to every
    // program that lists the folder's sheets. A sheet of the generated sheet's name is one an earlier
    // run generated, and ours to write again. A CloneCD image holds its audio tracks too, which a
    // generated sheet would read as data: its control file is its sheet.
    bool sheetGenerated = false;
    if (toggles.generateCue) {
        const bool ownGenerated = disc.cueFile == title + ".CUE";
        const std::string control = CloneCdControlFile(files, disc);
        if (!disc.cueFile.empty() && !ownGenerated && !IsContainer(disc.extension)) {
            pane.AppendLine("CUE sheet not generated, the image has its own: " + disc.cueFile);
        } else if (disc.cueFile.empty() && !control.empty()) {
            pane.AppendLine("CUE sheet not generated, the image has its own: " + control);
        } else {
            const bool generated = GenerateCueSheet(program, &longLine);
            sheetGenerated = generated && !IsContainer(disc.extension);
            complete = generated && complete;
        }
    }

    complete = outputFlushes.Flush() && complete;
    bool inImageFolder = true;
    if (toggles.renameFolder && sharedFolder) {
        pane.AppendLine("Folder not renamed, it holds another disc.");
    } else if (toggles.renameFolder && HoldsStartFolder(program, files.CurrentDirectory())) {
        pane.AppendLine("Folder not renamed, it holds the start folder.");
    } else if (toggles.renameFolder) {
        const FolderRename result = RenameImageFolder(program, run, title);
        if (result.renamed)
            pane.AppendLine("Folder renamed.");
        else if (result.taken)
            pane.AppendLine("Folder could not be renamed, " + title + " exists already.");
        else
            pane.AppendLine("Folder could not be renamed.");
        inImageFolder = result.inImageFolder;
        complete = complete && result.renamed;
    }

    // No sheet is made to name a container as its data track.
    if (toggles.fixCue && !IsContainer(disc.extension)) {
        if (!inImageFolder) {
            pane.AppendLine("CUE sheet could not be repaired.");
            complete = false;
        } else if (!sheetGenerated) {
            // A sheet written a moment ago names every file by its new name already: it is the
            // image's own and needs no repair, and there is no other sheet to look for.
            complete = RepairCueSheet(program, &longLine) && complete;
        }
    }
    if (longLine) pane.AppendLine("CUE sheet line longer than 127 characters: some emulators cut it.");

    WriteSettings(program);
    pane.AppendLine("Process done.");
    return complete ? ProcessOutcome::DONE : ProcessOutcome::INCOMPLETE;
}

std::string SettleInterruptedRun(Program& program, const std::string& imagePath) {
    Files& files = program.files();
    const size_t cut = imagePath.rfind(files.Separator());
    if (cut == std::string::npos) return imagePath;
    std::string folder = imagePath.substr(0, cut);
    if (folder.empty() || folder.back() == ':') folder += files.Separator();
    if (!files.SetCurrentDirectory(folder)) return imagePath;
    const Recovery recovery = FinishInterruptedRun(program);
    if (program.run) program.run->settledFolder = files.CurrentDirectory();
    const std::string name = imagePath.substr(cut + 1);
    const auto renamed = NewNameOf(recovery.renamed, name);
    return renamed ? imagePath.substr(0, cut + 1) + *renamed : imagePath;
}

}  // namespace cartovex
