// Operations on a whole collection: the HAVE/MISS scan, mass processing and region conversion.
#pragma once

#include <string>

#include "state/Program.h"

namespace cartovex {

/// The folder browser shared by the scan and mass processing; empty on cancel.
std::string BrowseForFolder(Program& program);

/// The pane line for a folder a listing could not read: "Could not read the directory (...)!", or
/// the line that says its path is too long for the system.
std::string ListingFailureLine(const ListingFailure& failure);

/// "Scan missing...": matches the top-level names of a chosen folder against the database and
/// writes KVX_HAVE.TXT and KVX_MISS.TXT into the start folder. Without a database, or when the
/// folder can't be read, the old lists stay and the pane says why.
void ScanCollection(Program& program);

/// "Mass processing...": analyses every image below a chosen folder and processes each one the
/// database knows.
void MassProcess(Program& program);

/// Converts the current image's region with the external converter; `regionCode` is "e", "j" or
/// "u". The pane's last line says where the copy went, or that the conversion failed.
void ConvertRegion(Program& program, const std::string& regionCode);

}  // namespace cartovex
