#include "refdata/Update.h"

namespace cartovex {

// Filled in with the database update.
void UpdateDatabases(Program&) {}

}  // namespace cartovex
