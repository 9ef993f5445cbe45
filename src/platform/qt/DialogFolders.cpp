#include "platform/qt/DialogFolders.h"

namespace cartovex {

std::string DialogFolders::StartIn(const std::string& requested) const {
    if (!requested.empty() && requested != dataFolder_) return requested;
    return last_.empty() ? home_ : last_;
}

void DialogFolders::Ended(const std::string& folder) {
    // The data folder is never a place to come back to.
    if (!folder.empty() && folder != dataFolder_) last_ = folder;
}

}  // namespace cartovex
