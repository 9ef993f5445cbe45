// The info report "KVX_INFO.TXT": when it was written, the disc's database name and every decoded
// header field, in the layout of the field listing the analysis prints.
#pragma once

#include <string>

#include "state/Program.h"

namespace cartovex {

constexpr const char* INFO_REPORT_FILE = "KVX_INFO.TXT";

/// The report's 24 lines, each ended by CR LF, for the analysed image in the current folder.
std::string InfoReportText(Program& program);

/// Writes the report into the current folder (the image's), replacing an earlier one only once
/// the new one is complete. False when it could not be written.
bool WriteInfoReport(Program& program);

}  // namespace cartovex
