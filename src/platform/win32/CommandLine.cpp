#include "platform/win32/CommandLine.h"

namespace cartovex {

std::string QuoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    // Backslashes are literal unless a quote follows them: then each one is doubled, and a quote of
    // the argument itself gets one more to escape it. The closing quote counts as following too.
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string BuildCommandLine(std::string_view program, const std::vector<std::string>& arguments) {
    std::string line = "\"";
    line += program;
    line += '"';
    for (const auto& argument : arguments) {
        line += ' ';
        line += QuoteArgument(argument);
    }
    return line;
}

}  // namespace cartovex
