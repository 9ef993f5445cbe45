#include "platform/Native.h"

#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Network.h"
#include "platform/win32/Win32Process.h"

namespace cartovex {

std::unique_ptr<Files> MakeNativeFiles() {
    return std::make_unique<Win32Files>();
}
std::unique_ptr<Process> MakeNativeProcess() {
    return std::make_unique<Win32Process>();
}
std::unique_ptr<Network> MakeNativeNetwork() {
    return std::make_unique<Win32Network>();
}

}  // namespace cartovex
