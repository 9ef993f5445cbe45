#include "disc/Analysis.h"

namespace cartovex {

// Filled in with the analysis.
void OpenImageCommand(Program&) {}
void AnalyseImage(Program&) {}

}  // namespace cartovex
