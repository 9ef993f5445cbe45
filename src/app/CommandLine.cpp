#include "app/CommandLine.h"

#include <ostream>

#include "app/MenuModel.h"
#include "app/Settings.h"
#include "outputs/Processing.h"
#include "refdata/Loader.h"
#include "refdata/Update.h"

namespace cartovex {

namespace {

int RunAbout(CliContext& context, const std::vector<std::string>&) {
    context.handler.Command(CMD_ABOUT);
    return CLI_OK;
}

int RunView(CliContext& context, const std::vector<std::string>& operands) {
    context.handler.Command(operands[0] == "have" ? CMD_VIEW_HAVE : CMD_VIEW_MISS);
    return CLI_OK;
}

int RunToggle(CliContext& context, const std::vector<std::string>& operands) {
    for (const ToggleInfo& toggle : Toggles()) {
        if (toggle.cliName != operands[0]) continue;
        context.program.window().SetMenuItemState(toggle.commandId,
                                                  operands[1] == "on" ? MENU_CHECKED : MENU_ENABLED);
        WriteSettings(context.program);
        return CLI_OK;
    }
    return CLI_USAGE;  // the operand check admits only names the table knows
}

// "Browse for images..." with the image as the dialog's answer; true when the disc was identified.
bool Analyse(CliContext& context, const std::string& image) {
    context.answerOpenFile(AbsolutePath(context.program, image));
    context.handler.Command(CMD_BROWSE_IMAGES);
    return context.program.disc.matchIndex != NONE_VALUE;
}

int RunAnalyse(CliContext& context, const std::vector<std::string>& operands) {
    return Analyse(context, operands[0]) ? CLI_OK : CLI_NOT_IDENTIFIED;
}

int RunProcess(CliContext& context, const std::vector<std::string>& operands) {
    if (!Analyse(context, operands[0])) return CLI_NOT_IDENTIFIED;
    return ProcessImage(context.program) ? CLI_OK : CLI_NOT_IDENTIFIED;
}

int RunFolderCommand(CliContext& context, const std::string& folder, int commandId) {
    context.answerFolder(AbsolutePath(context.program, folder));
    context.handler.Command(commandId);
    return CLI_OK;
}

int RunScan(CliContext& context, const std::vector<std::string>& operands) {
    return RunFolderCommand(context, operands[0], CMD_SCAN_MISSING);
}

int RunMass(CliContext& context, const std::vector<std::string>& operands) {
    return RunFolderCommand(context, operands[0], CMD_MASS_PROCESSING);
}

// The window offers the conversion only after an analysis that enabled the region items; the
// command line holds to the same rule.
int RunConvert(CliContext& context, const std::vector<std::string>& operands) {
    Program& program = context.program;
    Analyse(context, operands[0]);
    const int commandId = operands[1] == "e" ? CMD_TO_EUROPE : operands[1] == "j" ? CMD_TO_JAPAN : CMD_TO_USA;
    if (program.window().MenuItemState(commandId) & MENU_DISABLED) {
        context.err << "cartovex-cli: " << operands[0]
                    << " can't be converted: only an analysed image whose name holds \"ISO\" can.\n";
        return CLI_NOT_IDENTIFIED;
    }
    context.handler.Command(commandId);
    // A conversion that failed must not look like success to a script: the last line tells.
    const std::string& text = program.pane.Text();
    const size_t lastLine = text.rfind("\r\n");
    const bool converted = lastLine != std::string::npos && text.compare(lastLine + 2, 9, "Output : ") == 0;
    return converted ? CLI_OK : CLI_NOT_IDENTIFIED;
}

int RunUpdate(CliContext& context, const std::vector<std::string>&) {
    UpdateDatabases(context.program);
    return CLI_OK;
}

constexpr CliCommand COMMANDS[] = {
    {"about", {}, RunAbout},
    {"analyse", {"IMAGE"}, RunAnalyse},
    {"process", {"IMAGE"}, RunProcess},
    {"scan", {"FOLDER"}, RunScan},
    {"mass", {"FOLDER"}, RunMass},
    {"convert", {"IMAGE", "e|j|u"}, RunConvert},
    {"update", {}, RunUpdate},
    {"view", {"have|miss"}, RunView},
    {"toggle", {"log|cue|folder|fixcue|underscore", "on|off"}, RunToggle},
};

bool IsPlaceholder(std::string_view operand) {
    for (char c : operand)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

bool OperandAllowed(std::string_view allowed, std::string_view value) {
    if (IsPlaceholder(allowed)) return !value.empty();
    size_t start = 0;
    while (true) {
        size_t bar = allowed.find('|', start);
        if (allowed.substr(start, bar == std::string_view::npos ? bar : bar - start) == value) return true;
        if (bar == std::string_view::npos) return false;
        start = bar + 1;
    }
}

const CliCommand* FindCommand(std::string_view name) {
    for (const CliCommand& command : COMMANDS)
        if (command.name == name) return &command;
    return nullptr;
}

int UsageError(CliContext& context, const std::string& problem) {
    context.err << "cartovex-cli: " << problem << "\n" << CliUsage();
    return CLI_USAGE;
}

// Prints every text the pane receives; the pane's own line breaks become the terminal's.
void PrintAppended(std::ostream& out, std::string_view text) {
    size_t start = 0;
    for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", start)) {
        out << text.substr(start, at - start) << '\n';
        start = at + 2;
    }
    out << text.substr(start) << '\n';
    out.flush();
}

// The observer holds a reference to the output stream, so it must not outlive the run.
class AppendObserverScope {
public:
    AppendObserverScope(OutputPane& pane, std::ostream& out) : pane_(pane) {
        pane_.SetAppendObserver([&out](std::string_view text) { PrintAppended(out, text); });
    }
    ~AppendObserverScope() { pane_.SetAppendObserver(nullptr); }

private:
    OutputPane& pane_;
};

}  // namespace

size_t CliCommand::OperandCount() const {
    size_t count = 0;
    while (count < MAX_OPERANDS && !operands[count].empty()) ++count;
    return count;
}

std::span<const CliCommand> CliCommands() {
    return COMMANDS;
}

std::string CliUsage() {
    std::string usage = "usage:\n";
    for (const CliCommand& command : COMMANDS) {
        usage += "  cartovex-cli " + std::string(command.name);
        for (size_t i = 0; i < command.OperandCount(); ++i) usage += " " + std::string(command.operands[i]);
        usage += "\n";
    }
    return usage;
}

int RunCli(CliContext& context, const std::vector<std::string>& args) {
    if (args.empty()) return UsageError(context, "no command given");
    const CliCommand* command = FindCommand(args[0]);
    if (!command) return UsageError(context, "unknown command: " + args[0]);
    std::vector<std::string> operands(args.begin() + 1, args.end());
    size_t expected = command->OperandCount();
    if (operands.size() != expected)
        return UsageError(context, args[0] + " takes " + std::to_string(expected) + " operand(s)");
    for (size_t i = 0; i < expected; ++i)
        if (!OperandAllowed(command->operands[i], operands[i]))
            return UsageError(context, "invalid operand for " + args[0] + ": " + operands[i]);

    AppendObserverScope printing(context.program.pane, context.out);
    LoadDatabases(context.program);
    ReadSettings(context.program);
    return command->run(context, operands);
}

std::string AbsolutePath(Program& program, const std::string& path) {
    Files& files = program.files();
    if (path.empty()) return path;
    bool absolute = path[0] == '/' || path[0] == files.Separator();
    // On Windows "C:\..." and "\\server\share" are absolute too; a drive-relative "C:name" is rare
    // enough to be taken as given.
    if (files.Separator() == '\\' && (path[0] == '\\' || (path.size() >= 2 && path[1] == ':')))
        absolute = true;
    return absolute ? path : files.Join(files.CurrentDirectory(), path);
}

}  // namespace cartovex
