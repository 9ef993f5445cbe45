#include "refdata/ReferenceTables.h"

#include "common/Text.h"

namespace cartovex {

std::string DefaultDeveloperName(long long code) { return "Unknown. CODE:" + NumberText(code); }

std::string DeveloperList::NameFor(long long code) const {
    if (code < 0 || code >= DEVELOPER_SLOTS) return DefaultDeveloperName(code);
    return names[static_cast<size_t>(code)];
}

}  // namespace cartovex
