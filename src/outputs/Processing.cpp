#include "outputs/Processing.h"

namespace cartovex {

// Filled in with the processing run.
void ProcessImage(Program&) {}

}  // namespace cartovex
