// The 18 labelled lines of a disc's decoded header, shared by the field listing in the pane and the
// info report so the two always agree. Each label is 22 characters; fixed-width fields keep their
// filler blanks.
#pragma once

#include <string>
#include <vector>

#include "state/Program.h"

namespace cartovex {

std::vector<std::string> FieldLines(const Program& program, const std::string& imageFormat);

}  // namespace cartovex
