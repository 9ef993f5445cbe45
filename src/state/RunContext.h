// What one processing, mass or verification run keeps while it runs: the shared listings and
// indexes it answers from, and what its steps tell the steps after them (the files and folder the
// last disc's processing renamed, the folder already settled, whether every disc was done). The run
// that creates it owns it; the program reaches it through `Program::run` only while that run lasts,
// so nothing of one run leaks into the next.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cartovex {

class DatabaseIndex;
class Files;
struct Program;

struct RunContext {
    /// While set, the operations' file calls go through it (mass processing shares its folder
    /// listings this way, the run history records the changes); the platform's files stay below.
    Files* files = nullptr;
    /// While set, images are looked up through it; mass processing sets it for its run, in which
    /// the database doesn't change.
    const DatabaseIndex* databaseIndex = nullptr;
    /// While set, the HAVE list is taken from here instead of being read for each image; mass
    /// processing sets it for its run, which never writes the list.
    const std::vector<std::string>* haveList = nullptr;
    /// While set, the settings text last found on disc or written there, so the settings file is
    /// compared with it instead of being read after every disc.
    std::optional<std::string>* settingsOnDisc = nullptr;
    /// True while mass processing handles an image lying directly in the chosen folder: processing
    /// then leaves that folder its name, whatever the user's folder toggle says.
    bool keepFolderName = false;

    /// The files the last processing step renamed, as full paths before and after (the folder
    /// rename aside): a run over many images follows them in its listing.
    std::vector<std::pair<std::string, std::string>> renamedFiles;
    /// The image's folder before and after the last processing step renamed it, if it did.
    std::optional<std::pair<std::string, std::string>> renamedFolder;
    /// The folder where an interrupted run was last looked for and settled (see RenameJournal.h):
    /// processing there right after needn't look again.
    std::string settledFolder;
    /// Set when a disc the run identified was not processed completely.
    bool incomplete = false;
};

/// Gives the program a run context for as long as it lives, unless a run is already under way: the
/// outermost run owns the context, and the runs inside it (a disc's processing in a mass run) share
/// it. Whatever a scope changes in a shared context it puts back itself.
class RunScope {
public:
    explicit RunScope(Program& program);
    ~RunScope();
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    RunContext& Context() { return *context_; }
    /// True for the scope that created the context.
    bool Owns() const { return context_ == &own_; }

private:
    Program& program_;
    RunContext own_;
    RunContext* context_;
};

}  // namespace cartovex
