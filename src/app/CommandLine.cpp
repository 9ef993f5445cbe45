#include "app/CommandLine.h"

#include <algorithm>
#include <chrono>
#include <ostream>

#include "app/JsonReport.h"
#include "collection/DatVerification.h"
#include "collection/DatabaseBuilder.h"
#include "disc/Analysis.h"
#include "history/RecordingFiles.h"
#include "history/Undo.h"
#include "outputs/Processing.h"
#include "outputs/RenameJournal.h"
#include "platform/PlanningFiles.h"
#include "refdata/Loader.h"
#include "refdata/Update.h"
#include "state/MenuModel.h"
#include "state/Settings.h"

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

int ProcessGiven(CliContext& context, const std::string& given) {
    // A run cut short may have renamed the very image named here: it is settled first.
    const std::string image = SettleInterruptedRun(context.program, given);
    if (!Analyse(context, image)) return CLI_NOT_IDENTIFIED;
    switch (ProcessImage(context.program)) {
        case ProcessOutcome::DONE:
            return CLI_OK;
        case ProcessOutcome::INCOMPLETE:
            return CLI_INCOMPLETE;
        case ProcessOutcome::NOT_IDENTIFIED:
            break;
    }
    return CLI_NOT_IDENTIFIED;
}

int RunProcess(CliContext& context, const std::vector<std::string>& operands) {
    Program& program = context.program;
    const std::string given = AbsolutePath(program, operands[0]);
    RecordedRun run(program);
    const int status = ProcessGiven(context, given);
    // The image's folder may be renamed, in its parent: that is the run's folder.
    const char separator = program.files().Separator();
    run.Finish("process " + given, ParentFolder(ParentFolder(given, separator), separator));
    return status;
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
    // The command line's own scope holds the run's context until the run's outcome is read.
    RunScope run(context.program);
    RunFolderCommand(context, operands[0], CMD_MASS_PROCESSING);
    return run.Context().incomplete ? CLI_INCOMPLETE : CLI_OK;
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

int RunHistoryList(CliContext& context, const std::vector<std::string>&) {
    return ShowHistory(context.program) ? CLI_OK : CLI_INCOMPLETE;
}

// One JSON object per run and line, newest first.
int RunHistoryJson(CliContext& context, const std::vector<std::string>&) {
    Program& program = context.program;
    FinishInterruptedUndo(program);
    const LoadedHistory loaded = LoadHistory(program);
    if (!loaded.problem.empty()) {
        context.err << HistoryProblemLine(loaded.problem) << "\n";
        return CLI_INCOMPLETE;
    }
    for (size_t i = loaded.history.runs.size(); i-- > 0;)
        context.out << HistoryRunJson(loaded.history.runs[i]) << '\n';
    context.out.flush();
    return CLI_OK;
}

// Operands in table order: the run's number or empty, then "--yes" and "--dry-run" when given.
int RunUndo(CliContext& context, const std::vector<std::string>& operands) {
    UndoRequest request;
    if (!operands[0].empty()) {
        const std::string& run = operands[0];
        const bool number = run.size() <= 9 &&
                            std::all_of(run.begin(), run.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!number || std::stoul(run) == 0) {
            context.err << "cartovex-cli: undo: " << run << " is no run number (see cartovex-cli history).\n";
            return CLI_USAGE;
        }
        request.run = std::stoul(run);
    }
    request.confirmed = !operands[1].empty();
    request.dryRun = !operands[2].empty();
    context.program.window().EnableControl(ID_PROCESS_BUTTON, false);
    switch (UndoRuns(context.program, request)) {
        case UndoOutcome::DONE:
            return CLI_OK;
        case UndoOutcome::NOTHING:
            return CLI_NOT_IDENTIFIED;
        case UndoOutcome::REFUSED:
            break;
    }
    return CLI_INCOMPLETE;
}

std::string LastPaneLine(const Program& program) {
    const std::string& text = program.pane.Text();
    const size_t at = text.rfind("\r\n");
    return at == std::string::npos ? text : text.substr(at + 2);
}

// One JSON object per line and image, in the order given; nothing else on the output stream.
int RunAnalyseJson(CliContext& context, const std::vector<std::string>& operands) {
    Program& program = context.program;
    if (!JsonOutputSupported()) {
        context.err << "cartovex-cli: this build writes no JSON.\n";
        return CLI_USAGE;
    }
    // Every analysis moves into its image's folder: relative paths are taken from where we started.
    std::vector<std::string> paths;
    for (const std::string& image : operands) paths.push_back(AbsolutePath(program, image));
    int status = CLI_OK;
    for (size_t i = 0; i < paths.size(); ++i) {
        program.disc.imagePath = paths[i];
        const bool accepted = AnalyseImageAccepted(program);
        context.out << ImageReportJson(program, operands[i], accepted, accepted ? "" : LastPaneLine(program))
                    << '\n';
        if (program.disc.matchIndex == NONE_VALUE) status = CLI_NOT_IDENTIFIED;
    }
    context.out.flush();
    return status;
}

// The DATs named by --dat (relative to where we started), or those of the start folder's dats
// folder; each one that can't be read is named on the error stream.
std::optional<DatCatalogue> LoadGivenDats(CliContext& context, std::string_view command) {
    std::vector<std::string> dats;
    for (const std::string& dat : context.OptionValues("--dat"))
        dats.push_back(AbsolutePath(context.program, dat));
    return LoadCatalogue(context.program, dats, [&](const std::string& line) {
        context.err << "cartovex-cli: " << command << ": " << line << "\n";
    });
}

// One line per disc as it is checked, then the tally; with --json one object per disc and nothing
// else on the output stream.
int RunVerify(CliContext& context, const std::vector<std::string>& operands) {
    Program& program = context.program;
    const bool json = context.HasOption("--json");
    if (json && !JsonOutputSupported()) {
        context.err << "cartovex-cli: this build writes no JSON.\n";
        return CLI_USAGE;
    }
    const auto catalogue = LoadGivenDats(context, "verify");
    if (!catalogue) return CLI_USAGE;
    std::vector<std::string> paths;
    for (const std::string& path : operands) paths.push_back(AbsolutePath(program, path));
    // Notes go where a person reads them: the pane (the output stream), or beside the JSON.
    const LineSink note = [&](const std::string& line) {
        if (json)
            context.err << "cartovex-cli: verify: " << line << "\n";
        else
            program.pane.AppendLine(line);
    };
    const VerifyTally tally = VerifyCollection(
        program, *catalogue, paths,
        [&](const DiscReport& report) {
            if (json)
                context.out << VerifyReportJson(*catalogue, report) << '\n';
            else
                program.pane.AppendLine(VerdictLine(*catalogue, report));
        },
        note);
    if (!json) program.pane.AppendLine(TallyLine(tally));
    context.out.flush();
    bool written = true;
    for (const std::string& fixdat : context.OptionValues("--fixdat")) {
        const std::string line = WriteMissingGames(program, *catalogue, tally, AbsolutePath(program, fixdat));
        note(line);
        written = line.starts_with("Missing games written");
    }
    if (!written) return CLI_USAGE;
    return tally.Discs() > 0 && tally.verified == tally.Discs() ? CLI_OK : CLI_NOT_IDENTIFIED;
}

// The database goes to the output stream as the file's bytes (lines end in CR LF, as the loader
// wants them); what was left out goes to the error stream. With --dat only the discs the DATs
// verify are entered, under their games' names.
int RunMakeDb(CliContext& context, const std::vector<std::string>& operands) {
    Program& program = context.program;
    const std::string folder = AbsolutePath(program, operands[0]);
    if (!program.files().IsDirectory(folder)) {
        context.err << "cartovex-cli: make-db: " << operands[0] << " is no folder.\n";
        return CLI_NOT_IDENTIFIED;
    }
    std::optional<DatCatalogue> catalogue;
    if (context.HasOption("--dat")) {
        catalogue = LoadGivenDats(context, "make-db");
        if (!catalogue) return CLI_USAGE;
    }
    const BuiltDatabase database =
        catalogue ? BuildDatabaseFromDats(program, folder, *catalogue) : BuildDatabase(program, folder);
    if (context.rawOutput) context.rawOutput();
    context.out << database.text;
    context.out.flush();
    for (const std::string& problem : database.problems)
        context.err << "cartovex-cli: make-db: " << problem << "\n";
    return database.problems.empty() ? CLI_OK : CLI_NOT_IDENTIFIED;
}

constexpr CliOption VERIFY_OPTIONS[] = {
    {"--dat", "FILE", true},
    {"--json", {}, false, CliMode::REPORT},
    {"--fixdat", "FILE"},
};
constexpr CliOption MAKE_DB_OPTIONS[] = {
    {"--dat", "FILE", true},
};

constexpr CliCommand COMMANDS[] = {
    {"about", {}, RunAbout},
    {"analyse", {"IMAGE"}, RunAnalyse},
    {"analyse", {"--json", "IMAGE..."}, RunAnalyseJson, CliMode::REPORT},
    {"process", {"IMAGE"}, RunProcess},
    {"process", {"--dry-run", "IMAGE"}, RunProcess, CliMode::DRY_RUN},
    {"scan", {"FOLDER"}, RunScan},
    {"mass", {"FOLDER"}, RunMass},
    {"mass", {"--dry-run", "FOLDER"}, RunMass, CliMode::DRY_RUN},
    {"make-db", {"FOLDER"}, RunMakeDb, CliMode::REPORT, MAKE_DB_OPTIONS},
    {"verify", {"PATH..."}, RunVerify, CliMode::PANE, VERIFY_OPTIONS},
    {"convert", {"IMAGE", "e|j|u"}, RunConvert},
    {"update", {}, RunUpdate},
    {"view", {"have|miss"}, RunView},
    {"history", {}, RunHistoryList},
    {"history", {"--json"}, RunHistoryJson, CliMode::REPORT},
    {"undo", {"[RUN]", "[--yes]", "[--dry-run]"}, RunUndo},
    {"toggle", {"log|cue|folder|fixcue|underscore", "on|off"}, RunToggle},
};

constexpr std::string_view MORE = "...";

bool IsOption(std::string_view operand) {
    return operand.starts_with("--");
}

// "[--yes]", "[RUN]": an operand that may be left out. A row whose operands are all such takes
// them in any order, options by name and the rest in turn.
bool IsOptional(std::string_view operand) {
    return operand.size() > 2 && operand.front() == '[' && operand.back() == ']';
}

std::string_view WithoutBrackets(std::string_view operand) {
    return IsOptional(operand) ? operand.substr(1, operand.size() - 2) : operand;
}

bool IsPlaceholder(std::string_view operand) {
    if (operand.ends_with(MORE)) operand.remove_suffix(MORE.size());
    for (char c : operand)
        if (c < 'A' || c > 'Z') return false;
    return true;
}

bool OperandAllowed(std::string_view allowed, std::string_view value) {
    // A text that looks like an option is no file name we were given: most likely a misspelt option.
    if (IsPlaceholder(allowed)) return !value.empty() && !IsOption(value);
    size_t start = 0;
    while (true) {
        size_t bar = allowed.find('|', start);
        if (allowed.substr(start, bar == std::string_view::npos ? bar : bar - start) == value) return true;
        if (bar == std::string_view::npos) return false;
        start = bar + 1;
    }
}

// The row of `name` whose option is `option` (empty: the row without one). A row that takes its
// options anywhere before its operands is the row for any of them.
const CliCommand* FindCommand(std::string_view name, std::string_view option) {
    for (const CliCommand& command : COMMANDS)
        if (command.name == name && (command.Option() == option || !command.options.empty())) return &command;
    return nullptr;
}

const CliOption* FindOption(const CliCommand& command, std::string_view name) {
    for (const CliOption& option : command.options)
        if (option.name == name) return &option;
    return nullptr;
}

// The row of `name` whose operands may come in any order, if it has one.
const CliCommand* FreeOrderCommand(std::string_view name) {
    for (const CliCommand& command : COMMANDS)
        if (command.name == name && command.OperandCount() > 0 && IsOptional(command.operands[0]))
            return &command;
    return nullptr;
}

bool KnownCommand(std::string_view name) {
    for (const CliCommand& command : COMMANDS)
        if (command.name == name) return true;
    return false;
}

int UsageError(CliContext& context, const std::string& problem) {
    context.err << "cartovex-cli: " << problem << "\n" << CliUsage();
    return CLI_USAGE;
}

constexpr std::chrono::milliseconds FLUSH_INTERVAL{33};

// Prints every text the pane receives; the pane's own line breaks become the terminal's. The stream
// is flushed when it is a terminal, else once the last flush is a frame's time old.
class PanePrinter {
public:
    PanePrinter(std::ostream& out, bool interactive) : out_(out), interactive_(interactive) {}
    ~PanePrinter() { out_.flush(); }
    PanePrinter(const PanePrinter&) = delete;
    PanePrinter& operator=(const PanePrinter&) = delete;

    void Print(std::string_view text) {
        size_t start = 0;
        for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", start)) {
            out_ << text.substr(start, at - start) << '\n';
            start = at + 2;
        }
        out_ << text.substr(start) << '\n';
        const auto now = std::chrono::steady_clock::now();
        if (interactive_ || now - lastFlush_ >= FLUSH_INTERVAL) {
            out_.flush();
            lastFlush_ = now;
        }
    }

private:
    std::ostream& out_;
    bool interactive_;
    std::chrono::steady_clock::time_point lastFlush_{};
};

// The observer holds a reference to the printer, so it must not outlive the run.
class AppendObserverScope {
public:
    AppendObserverScope(OutputPane& pane, std::ostream& out, bool interactive)
        : pane_(pane), printer_(out, interactive) {
        pane_.SetAppendObserver([this](std::string_view text) { printer_.Print(text); });
    }
    ~AppendObserverScope() { pane_.SetAppendObserver(nullptr); }

private:
    OutputPane& pane_;
    PanePrinter printer_;
};

}  // namespace

bool CliContext::HasOption(std::string_view name) const {
    for (const auto& [given, value] : options)
        if (given == name) return true;
    return false;
}

std::vector<std::string> CliContext::OptionValues(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& [given, value] : options)
        if (given == name) values.push_back(value);
    return values;
}

size_t CliCommand::OperandCount() const {
    size_t count = 0;
    while (count < MAX_OPERANDS && !operands[count].empty()) ++count;
    return count;
}

std::string_view CliCommand::Option() const {
    return IsOption(operands[0]) ? operands[0] : std::string_view();
}

namespace {

// Fills one slot per operand of the row: the value given, the option's own text, or empty.
int FreeOrderOperands(CliContext& context, const CliCommand& command, const std::vector<std::string>& args,
                      std::vector<std::string>& operands) {
    const size_t count = command.OperandCount();
    operands.assign(count, std::string());
    size_t nextValue = 0;
    for (size_t a = 1; a < args.size(); ++a) {
        const std::string& arg = args[a];
        size_t slot = count;
        for (size_t i = 0; i < count; ++i) {
            const std::string_view operand = WithoutBrackets(command.operands[i]);
            if (IsOption(arg) ? operand == arg : !IsOption(operand) && i >= nextValue) {
                slot = i;
                break;
            }
        }
        if (slot == count || !operands[slot].empty() ||
            (!IsOption(arg) && !OperandAllowed(WithoutBrackets(command.operands[slot]), arg)))
            return UsageError(context, (IsOption(arg) ? "unknown option for " : "invalid operand for ") +
                                           args[0] + ": " + arg);
        operands[slot] = arg;
        if (!IsOption(arg)) nextValue = slot + 1;
    }
    return CLI_OK;
}

}  // namespace

std::span<const CliCommand> CliCommands() {
    return COMMANDS;
}

std::string CliUsage() {
    std::string usage = "usage:\n";
    for (const CliCommand& command : COMMANDS) {
        usage += "  cartovex-cli " + std::string(command.name);
        for (const CliOption& option : command.options) {
            usage += " [" + std::string(option.name);
            if (!option.value.empty()) usage += " " + std::string(option.value);
            usage += option.repeatable ? "]..." : "]";
        }
        for (size_t i = 0; i < command.OperandCount(); ++i) usage += " " + std::string(command.operands[i]);
        usage += "\n";
    }
    return usage;
}

namespace {

// Moves the options in front of the operands into the context; a text on a usage error. A lone
// "--" ends the options, so an operand may start with dashes.
std::optional<std::string> TakeOptions(CliContext& context, const CliCommand& command,
                                       std::vector<std::string>& operands, CliMode& mode) {
    const std::string name(command.name);
    size_t at = 0;
    for (; at < operands.size() && IsOption(operands[at]); ++at) {
        if (operands[at] == "--") {
            ++at;
            break;
        }
        const CliOption* option = FindOption(command, operands[at]);
        if (!option) return "unknown option for " + name + ": " + operands[at];
        if (!option->repeatable && context.HasOption(option->name))
            return std::string(option->name) + " is given twice";
        std::string value;
        if (!option->value.empty()) {
            if (at + 1 >= operands.size() || operands[at + 1].empty())
                return std::string(option->name) + " needs a " + std::string(option->value);
            value = operands[++at];
        }
        if (option->mode) mode = *option->mode;
        context.options.emplace_back(option->name, value);
    }
    operands.erase(operands.begin(), operands.begin() + static_cast<std::ptrdiff_t>(at));
    return std::nullopt;
}

// Reads the reference files and the settings, then runs the command.
int RunLoaded(CliContext& context, const CliCommand& command, CliMode mode,
              const std::vector<std::string>& operands) {
    Program& program = context.program;
    AppendObserverScope printing(program.pane, mode == CliMode::REPORT ? context.err : context.out,
                                 context.interactive || mode == CliMode::REPORT);
    LoadDatabases(program);
    ReadSettings(program);
    if (mode == CliMode::REPORT) program.pane.SetAppendObserver(nullptr);
    return command.run(context, operands);
}

// The same program over files that only plan: its own state, the same window, dialogs and
// services, so the run is the real one up to the disc.
int RunPlanned(CliContext& context, const CliCommand& command, CliMode mode,
               const std::vector<std::string>& operands) {
    const Platform& real = context.program.platform;
    std::ostream& out = context.out;
    PlanningFiles planning(real.files, [&out](const std::string& line) {
        out << line << '\n' << std::flush;
    });
    planning.KeepQuietAbout(JOURNAL_NAME);
    Program program(Platform{planning, real.window, real.dialogs, real.process, real.network, real.clock});
    program.updatePort = context.program.updatePort;
    CommandHandler handler(program);
    CliContext planned{program,
                       handler,
                       context.out,
                       context.err,
                       context.answerOpenFile,
                       context.answerFolder,
                       context.rawOutput,
                       context.interactive,
                       context.options};
    return RunLoaded(planned, command, mode, operands);
}

}  // namespace

int RunCli(CliContext& context, const std::vector<std::string>& args) {
    context.options.clear();  // a context may serve several command lines
    if (args.empty()) return UsageError(context, "no command given");
    if (!KnownCommand(args[0])) return UsageError(context, "unknown command: " + args[0]);
    if (const CliCommand* command = FreeOrderCommand(args[0])) {
        std::vector<std::string> operands;
        if (const int status = FreeOrderOperands(context, *command, args, operands); status != CLI_OK)
            return status;
        return RunLoaded(context, *command, command->mode, operands);
    }
    const std::string option = args.size() > 1 && IsOption(args[1]) ? args[1] : std::string();
    const CliCommand* command = FindCommand(args[0], option);
    if (!command) return UsageError(context, "unknown option for " + args[0] + ": " + option);

    std::vector<std::string> operands(args.begin() + 1, args.end());
    CliMode mode = command->mode;
    if (!command->options.empty()) {
        if (auto problem = TakeOptions(context, *command, operands, mode))
            return UsageError(context, *problem);
    }
    const size_t expected = command->OperandCount();
    const bool more = expected > 0 && command->operands[expected - 1].ends_with(MORE);
    if (more ? operands.size() < expected : operands.size() != expected)
        return UsageError(context, args[0] + " takes " + (more ? "at least " : "") +
                                       std::to_string(expected) + " operand(s)");
    for (size_t i = 0; i < operands.size(); ++i)
        if (!OperandAllowed(command->operands[std::min(i, expected - 1)], operands[i]))
            return UsageError(context, "invalid operand for " + args[0] + ": " + operands[i]);

    if (!option.empty() && command->options.empty()) operands.erase(operands.begin());
    if (mode == CliMode::DRY_RUN) return RunPlanned(context, *command, mode, operands);
    return RunLoaded(context, *command, mode, operands);
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
