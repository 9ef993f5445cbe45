#include "platform/Native.h"

#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixNetwork.h"
#include "platform/posix/PosixProcess.h"

namespace cartovex {

std::unique_ptr<Files> MakeNativeFiles() {
    return std::make_unique<PosixFiles>();
}
std::unique_ptr<Process> MakeNativeProcess() {
    return std::make_unique<PosixProcess>();
}
std::unique_ptr<Network> MakeNativeNetwork() {
    return std::make_unique<PosixNetwork>();
}

}  // namespace cartovex
