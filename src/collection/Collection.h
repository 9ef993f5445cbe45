// Operations on a whole collection: the HAVE/MISS scan, mass processing and region conversion.
#pragma once

#include <string>

#include "app/Program.h"

namespace cartovex {

/// The folder browser shared by the scan and mass processing; empty on cancel.
std::string BrowseForFolder(Program& program);

/// "Scan missing...": matches the top-level names of a chosen folder against the database and
/// writes KVX_HAVE.TXT and KVX_MISS.TXT into the start folder.
void ScanCollection(Program& program);

/// "Mass processing...": analyses every image below a chosen folder and processes each one the
/// database knows.
void MassProcess(Program& program);

/// Converts the current image's region with the external converter; `regionCode` is "e", "j" or
/// "u". The pane's last line says where the copy went, or that the conversion failed.
void ConvertRegion(Program& program, const std::string& regionCode);

}  // namespace cartovex
