#include "collection/Collection.h"

namespace cartovex {

std::string BrowseForFolder(Program& program) {
    std::string folder =
        program.platform.dialogs.BrowseForFolder("Please select a directory that contains Sega CD images:");
    // A backend that hands back a C buffer may leave its terminator in the text.
    return folder.substr(0, folder.find('\0'));
}

}  // namespace cartovex
