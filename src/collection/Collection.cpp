#include "collection/Collection.h"

namespace cartovex {

// Filled in with the collection operations.
std::string BrowseForFolder(Program&) { return {}; }
void ScanCollection(Program&) {}
void MassProcess(Program&) {}
void ConvertRegion(Program&, const std::string&) {}

}  // namespace cartovex
