// Turning the disc's single-byte texts into UTF-8 for the formats that need it (JSON, the run
// history), and telling whether a text already is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace cartovex {

/// Each byte as the UTF-8 form of the Latin-1 character of that number.
std::string Latin1ToUtf8(std::string_view bytes);

/// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace cartovex
