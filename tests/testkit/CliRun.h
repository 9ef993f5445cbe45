// The command-line program run in a test: a fresh start folder, over files that record every change,
// with its standard output and error kept.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandHandler.h"
#include "app/CommandLine.h"
#include "outputs/RenameJournal.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex::testkit {

/// A text cut into lines at its line feeds.
inline std::vector<std::string> OutputLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

/// The changes `spy` saw from the `from`th on, the writes and deletes of the run's own journal left
/// out: what the run leaves behind, which is what a dry run lists.
inline std::vector<std::string> ChangesLeftBehind(const SpyFiles& spy, size_t from) {
    std::vector<std::string> changes;
    const std::string journal = std::string("/") + JOURNAL_NAME;
    for (size_t i = from; i < spy.Changes().size(); ++i)
        if (!spy.Changes()[i].ends_with(journal)) changes.push_back(spy.Changes()[i]);
    return changes;
}

struct CliRun {
    CliRun() : start(TestProgram::Custom{&spy}) {}

    /// Runs one command line in the start folder; its exit status.
    int Run(const std::vector<std::string>& args) {
        std::filesystem::current_path(start.dir.Path());
        out.str("");
        err.str("");
        return RunCli(context, args);
    }

    SpyFiles spy;
    StartFolderProgram start;
    Program& program = start.program();
    CommandHandler handler{program};
    std::ostringstream out, err;
    HeadlessDialogs& dialogs = start.test->dialogs;
    CliContext context{program,
                       handler,
                       out,
                       err,
                       [this](std::string path) { dialogs.QueueOpenFile(std::move(path)); },
                       [this](std::string path) { dialogs.QueueFolder(std::move(path)); }};
};

}  // namespace cartovex::testkit
