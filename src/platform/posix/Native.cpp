#include "platform/Native.h"

#include "platform/posix/PosixFiles.h"

namespace cartovex {

namespace {

// Stand-ins until the process and network backends exist: nothing can be started or fetched.
class UnavailableProcess : public Process {
public:
    std::optional<int> Run(const std::string&, const std::vector<std::string>&, ShowState,
                           const std::string&) override {
        return std::nullopt;
    }
};

class UnavailableNetwork : public Network {
public:
    bool Probe(const std::string&, int, int) override { return false; }
    bool Download(const std::string&, const std::string&, uint64_t, int) override { return false; }
};

}  // namespace

std::unique_ptr<Files> MakeNativeFiles() { return std::make_unique<PosixFiles>(); }
std::unique_ptr<Process> MakeNativeProcess() { return std::make_unique<UnavailableProcess>(); }
std::unique_ptr<Network> MakeNativeNetwork() { return std::make_unique<UnavailableNetwork>(); }

}  // namespace cartovex
