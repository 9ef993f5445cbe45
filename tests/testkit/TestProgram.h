// A whole program over the real file system and a headless window, for tests: build one per case.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/headless/HeadlessWindow.h"
#include "platform/posix/PosixFiles.h"
#include "state/Program.h"
#include "testkit/TempFolder.h"

namespace cartovex::testkit {

class NoProcess : public Process {
public:
    std::optional<int> Run(const std::string&, const std::vector<std::string>&, ShowState,
                           const std::string&) override {
        return std::nullopt;
    }
};

class NoNetwork : public Network {
public:
    bool Probe(const std::string&, int, int) override { return false; }
    Download Fetch(const std::string&, uint64_t, int) override { return {}; }
};

/// Real files whose contents can never be read: a file that is there but unreadable.
class UnreadableFiles : public PosixFiles {
public:
    std::optional<size_t> ReadAt(const std::string&, uint64_t, std::span<uint8_t>) const override {
        return std::nullopt;
    }
};

/// Owns the services; `program` starts in the current directory, which becomes its start folder.
/// It uses the real file system, or the Files it is given (a SpyFiles, say), which must outlive it.
struct TestProgram {
    /// Services to use in place of the defaults; each must outlive the program.
    struct Custom {
        Files* files = nullptr;
        Process* process = nullptr;
        Network* network = nullptr;
    };

    TestProgram() : TestProgram(Custom{}) {}
    explicit TestProgram(Files& custom) : TestProgram(Custom{&custom}) {}
    explicit TestProgram(Custom custom)
        : clock({2026, 3, 5, 9, 4, 1}),
          program(Platform{custom.files ? *custom.files : files, window, dialogs,
                           custom.process ? *custom.process : process,
                           custom.network ? *custom.network : network, clock}) {}

    PosixFiles files;
    HeadlessWindow window;
    HeadlessDialogs dialogs;
    NoProcess process;
    NoNetwork network;
    FixedClock clock;
    Program program;
};

/// The pane text cut at every CR LF: a non-empty pane gives an empty first piece.
inline std::vector<std::string> PaneLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

/// A TestProgram started in a fresh temporary folder, which is its start folder. The current
/// directory is given back when the test ends, whatever the operations did to it.
struct StartFolderProgram {
    explicit StartFolderProgram(TestProgram::Custom custom = {}) {
        std::filesystem::current_path(dir.Path());
        test = std::make_unique<TestProgram>(custom);
    }

    CurrentDirectoryGuard guard;
    TempFolder dir;
    std::unique_ptr<TestProgram> test;

    Program& program() { return test->program; }
    HeadlessWindow& window() { return test->window; }
};

}  // namespace cartovex::testkit
