#include "collection/Collection.h"

namespace cartovex {

std::string ListingFailureLine(const ListingFailure& failure) {
    if (failure.reason == ListingFailure::Reason::TOO_LONG)
        return "The path of the directory (" + failure.folder + ") is too long for the system!";
    return "Could not read the directory (" + failure.folder + ")!";
}

}  // namespace cartovex
