// Starting another program and waiting for its end.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cartovex {

enum class ShowState { Hidden, Normal };

class Process {
public:
    virtual ~Process() = default;
    /// Starts `program` with `arguments` (each passed whole, never cut or re-split) in
    /// `workingFolder`, waits without a time limit and returns its exit status; nothing when it
    /// could not be started. A bare program name is looked up in `workingFolder` first, then on the
    /// search path, as Windows does.
    virtual std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                                   ShowState show, const std::string& workingFolder) = 0;
};

}  // namespace cartovex
