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
struct TestProgram {
    TestProgram() : clock({2026, 3, 5, 9, 4, 1}), program(Platform{files, window, dialogs, process, network, clock}) {}

    PosixFiles files;
    HeadlessWindow window;
    HeadlessDialogs dialogs;
    NoProcess process;
    NoNetwork network;
    FixedClock clock;
    Program program;
};

}  // namespace cartovex::testkit
