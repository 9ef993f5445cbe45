// Windows passes a program one command-line string, which the C runtime splits into argv again.
// These build that string so that every argument arrives whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

/// One argument as the C runtime's splitter reads it back unchanged: bare when it holds no blank,
/// tab or quote, otherwise quoted with its quotes and the backslashes before them escaped.
std::string QuoteArgument(std::string_view argument);

/// The program's name (always quoted: the runtime reads the first word without escapes) followed by
/// every argument quoted as needed.
std::string BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments);

}  // namespace cartovex
