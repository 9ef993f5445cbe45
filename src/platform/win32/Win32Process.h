// Starting a program on Windows with CreateProcessA.
#pragma once

#include "platform/Process.h"

namespace cartovex {

class Win32Process : public Process {
public:
    std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                           ShowState show, const std::string& workingFolder) override;
};

}  // namespace cartovex
