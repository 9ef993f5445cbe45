#include "outputs/Processing.h"

#include <algorithm>
#include <optional>

#include "app/MenuModel.h"
#include "app/Settings.h"
#include "common/Text.h"
#include "disc/ImageFormat.h"
#include "disc/containers/ContainerKinds.h"
#include "outputs/CueRepair.h"
#include "outputs/CueSheet.h"
#include "outputs/InfoReport.h"
#include "outputs/RenamePlan.h"
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
std::optional<std::string> FirstTakenName(const Files& files, const CompanionPlan& plan,
                                          const RenameStep& image) {
    std::vector<std::string> movers{image.from};
    for (const RenameStep& step : plan.toTemporary) movers.push_back(step.from);
    const NameCheck check(files, movers);

    // The final names first: they are the ones the user will look for.
    std::vector<std::string> targets;
    for (const RenameStep& step : plan.toFinal) targets.push_back(step.to);
    for (const RenameStep& step : plan.toTemporary) targets.push_back(step.to);
    targets.push_back(image.to);
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

// Gives the companions their temporary, then their final names. A companion whose temporary
// rename failed keeps its name and is left out of the second phase.
void RenameCompanions(Program& program, const CompanionPlan& plan) {
    std::vector<std::string> moved;
    for (const RenameStep& step : plan.toTemporary)
        if (RenameFile(program, step)) moved.push_back(step.to);
    for (const RenameStep& step : plan.toFinal)
        if (std::find(moved.begin(), moved.end(), step.from) != moved.end()) RenameFile(program, step);
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
    if (disc.matchIndex == NONE_VALUE) return false;

    const ToggleSnapshot toggles = TakeToggleSnapshot(program);
    const char separator = toggles.underscore ? '_' : ' ';
    std::replace(disc.displayName.begin(), disc.displayName.end(), ' ', separator);
    const std::string title = disc.displayName;
    if (!IsUsableTitle(title)) {
        pane.AppendLine("Title can't be used as a file name: " + title);
        return false;
    }

    // One kind of companion per run: the MP3 tracks when there are any, else the WAV tracks. A
    // container that told what it holds keeps its tracks inside: files beside it are not its own.
    std::string companionExtension = ".mp3";
    std::vector<std::string> companions;
    if (!disc.contents) {
        companions = files.ListCurrentFolder("*.mp3");
        if (companions.empty()) {
            companionExtension = ".wav";
            companions = files.ListCurrentFolder("*.wav");
        }
    }
    const CompanionPlan plan =
        PlanCompanionRenames(companions, title, std::string(1, separator), companionExtension);
    const RenameStep image{disc.fileName, title + "." + disc.extension};

    // Every new name is checked before the first rename, so a folder is never left half renamed.
    if (auto taken = FirstTakenName(files, plan, image)) {
        pane.AppendLine("Can't rename, " + *taken + " exists already.");
        return false;
    }
    RenameCompanions(program, plan);
    const bool imageRenamed = RenameFile(program, image);
    if (imageRenamed) disc.fileName = image.to;

    if (toggles.generateLog)
        pane.AppendLine(WriteInfoReport(program) ? "KVX_INFO.TXT generated."
                                                 : "KVX_INFO.TXT could not be written.");

    // Both sheets name the image by its new name, so neither is written for an image that kept
    // its old one.
    if (toggles.generateCue) {
        if (imageRenamed)
            GenerateCueSheet(program);
        else if (!IsContainer(disc.extension))
            pane.AppendLine("CUE sheet could not be written.");
    }

    bool inImageFolder = true;
    if (toggles.renameFolder) {
        const FolderRename result = RenameImageFolder(program, title);
        pane.AppendLine(result.renamed ? "Folder renamed." : "Folder could not be renamed.");
        inImageFolder = result.inImageFolder;
    }

    // No sheet is made to name a container as its data track.
    if (toggles.fixCue && !IsContainer(disc.extension)) {
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
