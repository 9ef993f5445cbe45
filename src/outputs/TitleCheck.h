// Whether a database title can become a file and folder name. Titles come from DATA.KVX, which
// arrives over plain HTTP, and collections live on drives shared between Linux and Windows, so a
// title must be one harmless file-name component on both: it must never point a rename into
// another folder or carry a line break into a CUE sheet.
#pragma once

#include <cstddef>
#include <string_view>

namespace cartovex {

/// The longest file-name component both platforms accept, in bytes.
constexpr size_t MAX_FILE_NAME_BYTES = 255;

/// True when `name` is one file-name component that Linux and Windows both accept as it is: not
/// empty, "." or "..", at most MAX_FILE_NAME_BYTES long, without "/", "\", control characters or
/// any of : * ? " < > |, not a Windows device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or
/// without an extension, in any case) and not ending in a dot or a blank.
bool IsUsableFileName(std::string_view name);

/// True when every name processing builds from `title` is usable: the title itself (the folder)
/// and the longest name made from it, the temporary companion name "PRE" + title + separator +
/// two characters + ".mp3".
bool IsUsableTitle(std::string_view title);

}  // namespace cartovex
