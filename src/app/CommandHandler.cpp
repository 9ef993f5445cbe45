#include "app/CommandHandler.h"

#include "app/About.h"
#include "collection/Collection.h"
#include "collection/DatVerification.h"
#include "disc/Analysis.h"
#include "history/RecordingFiles.h"
#include "history/Undo.h"
#include "outputs/Processing.h"
#include "refdata/Loader.h"
#include "refdata/Update.h"
#include "state/MenuModel.h"
#include "state/Settings.h"

namespace cartovex {

namespace {

bool IsToggle(int commandId) {
    for (const ToggleInfo& toggle : Toggles())
        if (toggle.commandId == commandId) return true;
    return false;
}

// Only a plain checked or a plain unchecked item flips; a disabled one keeps its state. Nothing is
// saved here: Exit and every processing run write the settings.
void FlipToggle(Window& window, int commandId) {
    int state = window.MenuItemState(commandId);
    if (state == MENU_CHECKED)
        window.SetMenuItemState(commandId, MENU_ENABLED);
    else if (state == MENU_ENABLED)
        window.SetMenuItemState(commandId, MENU_CHECKED);
}

void ViewListFile(Program& program, const std::string& name) {
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
    Files& files = program.files();
    std::string path = program.StartFile(name);
    auto length = files.FileLength(path);
    if (!length || *length == 0 || !files.ReadFile(path, 1)) {
        program.pane.AppendLine(name + " is missing.");
        // An empty list is useless and goes; one that exists but can't be read stays for the user.
        if (length && *length == 0) files.DeleteFile(path);
        return;
    }
    program.pane.ShowTextFile(files, path);
}

}  // namespace

void CommandHandler::Initialise() {
    LoadDatabases(program_);
    ReadSettings(program_);
    ShowAbout(program_);
    // The About text has replaced the load's lines; a missing database would otherwise leave
    // every disc unknown with nothing to say why.
    for (const std::string& failure : program_.loadFailures) program_.pane.AppendLine(failure);
    UpdateDatabases(program_);
}

void CommandHandler::Activate(bool active) {
    Window& window = program_.window();
    if (!active) {
        savedFocus_ = window.FocusedControl();
    } else if (savedFocus_ != 0) {
        window.FocusControl(savedFocus_);
        savedFocus_ = 0;
    }
}

void CommandHandler::Command(int commandId, int notification) {
    if (IsToggle(commandId)) {
        FlipToggle(program_.window(), commandId);
        return;
    }
    switch (commandId) {
        case CMD_BROWSE_IMAGES:
            OpenImageCommand(program_);
            break;
        case CMD_VIEW_MISS:
            ViewListFile(program_, "KVX_MISS.TXT");
            break;
        case CMD_VIEW_HAVE:
            ViewListFile(program_, "KVX_HAVE.TXT");
            break;
        case CMD_SCAN_MISSING:
            ScanCollection(program_);
            break;
        case CMD_MASS_PROCESSING: {
            RecordedRun run(program_);
            MassProcess(program_);
            run.Finish("mass " + program_.massFolder, program_.massFolder);
            break;
        }
        case CMD_UNDO_LAST:
            // The analysed image may be among the files taken back.
            program_.window().EnableControl(ID_PROCESS_BUTTON, false);
            UndoRuns(program_, UndoRequest{});
            break;
        case CMD_VERIFY_DATS:
            VerifyAgainstDats(program_);
            break;
        case CMD_EXIT:
            WriteSettings(program_);
            program_.window().EndModal(0);
            break;
        case CMD_PROCESS:
            // The button also sends focus and other notifications; only a click (0) or 1 processes.
            if (notification == 0 || notification == 1) {
                RecordedRun run(program_);
                const std::string folder = program_.files().CurrentDirectory();
                ProcessImage(program_);
                run.Finish("process " + program_.disc.imagePath,
                           ParentFolder(folder, program_.files().Separator()));
                // The run's lines took the focus to the pane, where Enter and Space do nothing;
                // it goes back to the button that started the run.
                Window& window = program_.window();
                if (window.IsControlEnabled(ID_PROCESS_BUTTON)) window.FocusControl(ID_PROCESS_BUTTON);
            }
            break;
        case CMD_ABOUT:
            program_.window().EnableControl(ID_PROCESS_BUTTON, false);
            ShowAbout(program_);
            break;
        case CMD_TO_EUROPE:
            ConvertRegion(program_, "e");
            break;
        case CMD_TO_JAPAN:
            ConvertRegion(program_, "j");
            break;
        case CMD_TO_USA:
            ConvertRegion(program_, "u");
            break;
        default:
            // Esc's cancel command and notifications from the pane or the banner.
            break;
    }
}

}  // namespace cartovex
