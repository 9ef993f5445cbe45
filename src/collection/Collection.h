// Operations on a whole collection: the HAVE/MISS scan, mass processing and region conversion.
#pragma once

#include <string>

#include "app/Program.h"

namespace cartovex {

/// The folder browser shared by the scan and mass processing; empty on cancel.
std::string BrowseForFolder(Program& program);
void ScanCollection(Program& program);
void MassProcess(Program& program);
/// Converts the current image's region; `regionCode` is "e", "j" or "u".
void ConvertRegion(Program& program, const std::string& regionCode);

}  // namespace cartovex
