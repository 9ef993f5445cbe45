// The command-line program's logic: one command per run, through the same command handler as the
// window. Every text the pane receives is printed on the output stream; usage errors go to the
// error stream.
//
// Commands are rows of a table (CliCommands()). A row names the command, its operands and the
// function that runs it once the operands have been checked and the reference files and settings
// have been read.
#pragma once

#include <array>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/CommandHandler.h"
#include "state/Program.h"

namespace cartovex {

/// Exit statuses of the command-line program.
constexpr int CLI_OK = 0;
/// An image was rejected or not identified.
constexpr int CLI_NOT_IDENTIFIED = 1;
constexpr int CLI_USAGE = 2;
/// A disc was identified but its processing did not complete: refused before renaming anything (a
/// name taken, an unusable title) or a step failed.
constexpr int CLI_INCOMPLETE = 3;

struct CliContext {
    Program& program;
    CommandHandler& handler;
    std::ostream& out;
    std::ostream& err;
    /// Queue the answer of the next open-file or folder dialog (the program's dialogs answer from
    /// a queue, so "Browse for images..." can be given its file up front).
    std::function<void(std::string)> answerOpenFile;
    std::function<void(std::string)> answerFolder;
    /// Called before a command writes a file's exact bytes to `out` (make-db's CR LF lines): where
    /// the standard output translates line ends, the caller switches it to binary. May be empty.
    std::function<void()> rawOutput = {};
    /// True when `out` is a terminal: every line is flushed as it comes. Otherwise (a pipe, a file)
    /// lines are flushed at most about 30 times a second and at the end of the command, as the
    /// window repaints its pane: a run over thousands of images pays no system call per line.
    bool interactive = true;
    /// The options given to a command that takes them anywhere before its operands, in the order
    /// given: name and value (empty for a switch).
    std::vector<std::pair<std::string, std::string>> options = {};

    bool HasOption(std::string_view name) const;
    std::vector<std::string> OptionValues(std::string_view name) const;
};

/// How a command's run meets the disc and the output.
enum class CliMode {
    /// The pane is printed on the output stream.
    PANE,
    /// As PANE, over files that change nothing and print what the run would change instead.
    DRY_RUN,
    /// The command prints a report of its own on the output stream; the messages of the reference
    /// files' load go to the error stream, the pane's later lines nowhere.
    REPORT,
};

/// An option given before a command's operands, in any order: a switch ("--json") or one with a
/// value ("--dat FILE"), given once or, when repeatable, as often as wanted. A switch that names a
/// mode runs the command in it ("--json" prints a report of its own).
struct CliOption {
    std::string_view name;
    std::string_view value = {};  // the value's placeholder, empty for a switch
    bool repeatable = false;
    std::optional<CliMode> mode = std::nullopt;
};

/// One command. Each operand is either a placeholder in capitals ("IMAGE", "FOLDER": any text; a
/// last one ending in "..." takes one or more), an option ("--json": exactly that, and only first),
/// or the words allowed, separated by "|" ("on|off"). Unused operand slots are empty. One name may
/// have several rows, told apart by their option. The run gets the operands without the option.
struct CliCommand {
    using Run = int (*)(CliContext& context, const std::vector<std::string>& operands);
    static constexpr size_t MAX_OPERANDS = 3;

    std::string_view name;
    std::array<std::string_view, MAX_OPERANDS> operands;
    Run run;
    CliMode mode = CliMode::PANE;
    /// The options the command takes before its operands; a row with options has no option operand.
    std::span<const CliOption> options = {};

    size_t OperandCount() const;
    /// The option that selects this row ("--dry-run"), or empty.
    std::string_view Option() const;
};

std::span<const CliCommand> CliCommands();

/// The usage text: one line per command.
std::string CliUsage();

/// `args` without the program's own name. Checks the command line, reads the reference files and
/// the settings, runs the command and returns the exit status.
int RunCli(CliContext& context, const std::vector<std::string>& args);

/// A path relative to the current directory made absolute; absolute paths are returned unchanged.
std::string AbsolutePath(Program& program, const std::string& path);

}  // namespace cartovex
