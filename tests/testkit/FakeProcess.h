// A Process that records every start and answers as the test says, optionally doing what the
// program would have done (writing an output file, say).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Process.h"

namespace cartovex::testkit {

struct ProcessStart {
    std::string program;
    std::vector<std::string> arguments;
    ShowState show;
    std::string workingFolder;
};

class RecordingProcess : public Process {
public:
    std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                           ShowState show, const std::string& workingFolder) override {
        starts.push_back({program, arguments, show, workingFolder});
        if (onRun) onRun(starts.back());
        return status;
    }

    std::vector<ProcessStart> starts;
    /// The exit status to report; nothing for a program that can't be started.
    std::optional<int> status = 0;
    std::function<void(const ProcessStart&)> onRun;
};

}  // namespace cartovex::testkit
