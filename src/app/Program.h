// The program's state: the records every operation reads and changes, with the platform services.
// One instance is owned by main(); tests build a fresh one per case, so there are no mutable globals.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/OutputPane.h"
#include "common/Constants.h"
#include "disc/DiscInfo.h"
#include "platform/Platform.h"
#include "refdata/ReferenceTables.h"

namespace cartovex {

class DatabaseIndex;

struct Program {
    explicit Program(Platform services) : platform(services), pane(services.window) {
        startFolder = platform.files.CurrentDirectory();
    }

    Platform platform;
    std::string versionText = VERSION_TEXT;
    /// The working directory at launch: home of the settings, the reference files and the lists.
    std::string startFolder;
    DiscInfo disc;
    HeaderDatabase database;
    DeveloperList developers;
    OutputPane pane;
    std::string updateSite;
    /// The lines the last database load gave for a reference file it could not use; the start-up
    /// shows them again below the About text, which replaces them.
    std::vector<std::string> loadFailures;
    /// Set when the settings file is there but could not be read: the program then runs with the
    /// defaults and never overwrites the file, which may hold the user's settings still.
    bool settingsUnreadable = false;
    /// 1 while mass processing runs: the analysis then prints no field block.
    int16_t quietAnalysis = 0;
    /// True while mass processing handles an image lying directly in the chosen folder: processing
    /// then leaves that folder its name, whatever the user's folder toggle says.
    bool keepFolderName = false;
    /// While set, images are looked up through it; mass processing sets it for its run, in which
    /// the database doesn't change.
    const DatabaseIndex* databaseIndex = nullptr;
    /// While set, the HAVE list is taken from here instead of being read for each image; mass
    /// processing sets it for its run, which never writes the list.
    const std::vector<std::string>* haveList = nullptr;
    /// The port of a plain-HTTP update site that names none; the program uses the http port, tests a
    /// loopback server's.
    int updatePort = 80;

    /// The files the last processing run renamed, as full paths before and after (the folder rename
    /// aside): a run over many images follows them in its listing.
    std::vector<std::pair<std::string, std::string>> renamedFiles;
    /// The image's folder before and after the last processing run renamed it, if it did.
    std::optional<std::pair<std::string, std::string>> renamedFolder;
    /// While set, the settings text last found on disc or written there; mass processing sets it for
    /// its run, so the settings file is compared with it instead of being read after every disc.
    std::optional<std::string>* settingsOnDisc = nullptr;
    /// The folder where an interrupted run was last looked for and settled (see RenameJournal.h):
    /// processing there right after needn't look again.
    std::string settledFolder;
    /// Set by a mass run when a disc it identified was not processed completely.
    bool massRunIncomplete = false;

    /// While set, the operations' file calls go through it instead (mass processing shares its
    /// folder listings this way); the platform's own files stay underneath.
    Files* filesInUse = nullptr;

    Files& files() { return filesInUse ? *filesInUse : platform.files; }
    Window& window() { return platform.window; }
    /// A file in the start folder.
    std::string StartFile(std::string_view name) const { return platform.files.Join(startFolder, name); }
};

}  // namespace cartovex
