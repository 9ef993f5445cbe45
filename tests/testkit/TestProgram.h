// A whole program over the real file system and a headless window, for tests: build one per case.
#pragma once

#include <memory>

#include "app/Program.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/posix/PosixFiles.h"

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
    bool Download(const std::string&, const std::string&, uint64_t, int) override { return false; }
};

/// Owns the services; `program` starts in the current directory, which becomes its start folder.
/// It uses the real file system, or the Files it is given (a SpyFiles, say), which must outlive it.
struct TestProgram {
    TestProgram() : TestProgram(nullptr) {}
    explicit TestProgram(Files& custom) : TestProgram(&custom) {}

    PosixFiles files;
    HeadlessWindow window;
    HeadlessDialogs dialogs;
    NoProcess process;
    NoNetwork network;
    FixedClock clock;
    Program program;

private:
    explicit TestProgram(Files* custom)
        : clock({2026, 3, 5, 9, 4, 1}),
          program(Platform{custom ? *custom : files, window, dialogs, process, network, clock}) {}
};

}  // namespace cartovex::testkit
