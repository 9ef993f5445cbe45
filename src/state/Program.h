// The program's state: the records every operation reads and changes, with the platform services.
// One instance is owned by main(); tests build a fresh one per case, so there are no mutable globals.
#pragma once

#include <string>
#include <vector>

#include "common/Constants.h"
#include "disc/DiscInfo.h"
#include "platform/Platform.h"
#include "refdata/ReferenceTables.h"
#include "state/OutputPane.h"
#include "state/RunContext.h"

namespace cartovex {

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
    /// The port of a plain-HTTP update site that names none; the program uses the http port, tests a
    /// loopback server's.
    int updatePort = 80;

    /// The folder the last mass run was given, as the folder browser answered.
    std::string massFolder;

    /// The run under way, owned by the run itself (see RunContext.h); nothing between runs.
    RunContext* run = nullptr;

    /// The run's context, or an empty one between runs.
    const RunContext& Run() const {
        static const RunContext idle;
        return run ? *run : idle;
    }
    Files& files() { return run && run->files ? *run->files : platform.files; }
    Window& window() { return platform.window; }
    /// A file in the start folder.
    std::string StartFile(std::string_view name) const { return platform.files.Join(startFolder, name); }
};

}  // namespace cartovex
