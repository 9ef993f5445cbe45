// The platform's own services, for the programs' main(). Each backend folder implements these.
#pragma once

#include <memory>

#include "platform/Files.h"
#include "platform/Network.h"
#include "platform/Process.h"

namespace cartovex {

std::unique_ptr<Files> MakeNativeFiles();
std::unique_ptr<Process> MakeNativeProcess();
std::unique_ptr<Network> MakeNativeNetwork();

}  // namespace cartovex
