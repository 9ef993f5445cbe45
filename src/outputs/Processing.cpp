#include "outputs/Processing.h"

#include <algorithm>
#include <optional>

#include "app/MenuModel.h"
#include "app/Settings.h"
#include "common/Text.h"
#include "disc/Archive.h"
#include "disc/DiscFolder.h"
#include "disc/ImageFormat.h"
#include "outputs/CueRepair.h"
#include "outputs/CueSheet.h"
#include "outputs/DiscPlan.h"
#include "outputs/InfoReport.h"
#include "outputs/RenamePlan.h"
#include "outputs/SheetUpdate.h"
#include "outputs/TitleCheck.h"

namespace cartovex {

namespace {

struct ToggleSnapshot {
    bool generateLog, renameFolder, generateCue, fixCue, underscore;
};

ToggleSnapshot TakeToggleSnapshot(Program& program) {
    const Window& window = program.window();
    auto on = [&window](int id) { return window.MenuItemState(id) == MENU_CHECKED; };
    return {on(CMD_TOGGLE_GENERATE_LOG), on(CMD_TOGGLE_RENAME_FOLDER) && !program.keepFolderName,
            on(CMD_TOGGLE_GENERATE_CUE), on(CMD_TOGGLE_FIX_CUE), on(CMD_TOGGLE_UNDERSCORE)};
}

// The names this run moves away from, and the folder's entries as listed, to tell a taken name from
// one that only a case-insensitive file system reports as existing because it is a mover's own.
class NameCheck {
public:
    NameCheck(const Files& files, std::vector<std::string> movers)
        : files_(files), movers_(std::move(movers)), listed_(files.ListTopLevel(files.CurrentDirectory())) {}

    bool IsTaken(const std::string& name) const {
        if (!files_.Exists(name)) return false;
        for (const std::string& mover : movers_) {
            if (mover == name) return false;
            if (EqualsIgnoringAsciiCase(mover, name) &&
                std::find(listed_.begin(), listed_.end(), name) == listed_.end())
                return false;
        }
        return true;
    }

private:
    const Files& files_;
    std::vector<std::string> movers_;
    std::vector<std::string> listed_;
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

bool RenameFile(Program& program, const RenameStep& step) {
    Files& files = program.files();
    files.ClearAttributes(step.from);
    if (files.Rename(step.from, step.to)) return true;
    program.pane.AppendLine(step.from + " could not be renamed.");
    return false;
}

// Carries out the plan: the companions' two phases, then the set's other files and the image.
// Returns what was really renamed, each from its name before the run to its name after it.
std::vector<RenameStep> RenameDiscFiles(Program& program, const DiscPlan& plan) {
    std::vector<RenameStep> done;
    std::vector<RenameStep> moved;  // phase one that succeeded: original -> temporary
    for (const RenameStep& step : plan.companions.toTemporary)
        if (RenameFile(program, step)) moved.push_back(step);
    for (const RenameStep& step : plan.companions.toFinal) {
        auto original = std::find_if(moved.begin(), moved.end(),
                                     [&step](const RenameStep& first) { return first.to == step.from; });
        if (original != moved.end() && RenameFile(program, step)) done.push_back({original->from, step.to});
    }
    for (const RenameStep& step : plan.OrderedFileSteps()) {
        if (!RenameFile(program, step)) continue;
        // A step aside to a temporary name is followed by the step from it.
        auto earlier = std::find_if(done.begin(), done.end(),
                                    [&step](const RenameStep& before) { return before.to == step.from; });
        if (earlier != done.end())
            earlier->to = step.to;
        else
            done.push_back(step);
    }
    return done;
}

bool Renamed(const std::vector<RenameStep>& done, const std::string& from) {
    return std::any_of(done.begin(), done.end(),
                       [&from](const RenameStep& step) { return step.from == from; });
}

struct FolderRename {
    bool renamed = false;
    /// False when the run could not get back into the image's folder under either name.
    bool inImageFolder = true;
};

// Renames the current folder to `title` from its parent, and goes back into it under whichever
// name it has afterwards. Never enters another folder that carries the title.
FolderRename RenameImageFolder(Program& program, const std::string& title) {
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
    if (!files.Rename(files.Join(parent, name), renamed)) return {false, files.SetCurrentDirectory(here)};
    program.disc.folderName = title;
    return {true, files.SetCurrentDirectory(renamed)};
}

}  // namespace

bool ProcessImage(Program& program) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    OutputPane& pane = program.pane;
    // Only an identified disc has a title to give; anything else would be renamed under the name
    // of the image analysed before it.
    program.renamedFiles.clear();
    if (disc.matchIndex == NONE_VALUE) return false;

    const ToggleSnapshot toggles = TakeToggleSnapshot(program);
    const char separator = toggles.underscore ? '_' : ' ';
    std::replace(disc.displayName.begin(), disc.displayName.end(), ' ', separator);
    const std::string title = disc.displayName;
    if (!IsUsableTitle(title)) {
        pane.AppendLine("Title can't be used as a file name: " + title);
        return false;
    }

    const FolderListing folder = FolderListing::OfCurrentFolder(files);
    const DiscPlan plan = PlanDiscRenames(files, folder.Names(), disc, title, separator);
    if (!plan.refusal.empty()) {
        pane.AppendLine(plan.refusal);
        return false;
    }
    // Every new name is checked before the first rename, so a folder is never left half renamed.
    if (auto taken = FirstTakenName(files, plan)) {
        pane.AppendLine("Can't rename, " + *taken + " exists already.");
        return false;
    }
    // Decided before anything moves: the folder's other discs are the files this run leaves alone.
    const bool sharedFolder = HoldsAnotherDisc(files, folder.Names(), disc.fileName, disc.cueFile);
    for (const std::string& note : plan.notes) pane.AppendLine(note);

    const std::vector<RenameStep> done = RenameDiscFiles(program, plan);
    const std::string here = files.CurrentDirectory();
    for (const RenameStep& step : done)
        program.renamedFiles.emplace_back(files.Join(here, step.from), files.Join(here, step.to));
    const bool imageRenamed = Renamed(done, plan.image.from);
    if (imageRenamed) disc.fileName = plan.image.to;
    // A sheet left naming a name that is gone belongs to the image; its data track line follows it.
    std::vector<RenameStep> ownSheetRenames;
    if (imageRenamed && !plan.sheetImageName.empty())
        ownSheetRenames.push_back({plan.sheetImageName, plan.image.to});
    FollowRenamesInSheets(program, done, disc.cueFile, ownSheetRenames);

    if (toggles.generateLog)
        pane.AppendLine(WriteInfoReport(program) ? "KVX_INFO.TXT generated."
                                                 : "KVX_INFO.TXT could not be written.");

    // Both sheets name the image by its new name, so neither is written for an image that kept
    // its old one. An image with a sheet of its own keeps that one: a second would be a second disc
    // to every program that lists the folder's sheets.
    if (toggles.generateCue) {
        if (!disc.cueFile.empty() && !IsArchive(disc.extension))
            pane.AppendLine("CUE sheet not generated, the image has its own: " + disc.cueFile);
        else if (imageRenamed)
            GenerateCueSheet(program);
        else if (!IsArchive(disc.extension))
            pane.AppendLine("CUE sheet could not be written.");
    }

    bool inImageFolder = true;
    if (toggles.renameFolder && sharedFolder) {
        pane.AppendLine("Folder not renamed, it holds another disc.");
    } else if (toggles.renameFolder) {
        const FolderRename result = RenameImageFolder(program, title);
        pane.AppendLine(result.renamed ? "Folder renamed." : "Folder could not be renamed.");
        inImageFolder = result.inImageFolder;
    }

    if (toggles.fixCue) {
        if (!inImageFolder)
            pane.AppendLine("CUE sheet could not be repaired.");
        else if (imageRenamed)
            RepairCueSheet(program);
        else if (DetectImageFormat(files) == "BIN+CUE")
            pane.AppendLine("CUE sheet could not be repaired.");
    }

    WriteSettings(program);
    pane.AppendLine("Process done.");
    return true;
}

}  // namespace cartovex
