// The two common dialogs. Both answer a path, or an empty text when the user cancels.
#pragma once

#include <string>

namespace cartovex {

struct OpenFileRequest {
    std::string title;
    /// Entries as "label|patterns|", the form the program stores; backends split it at '|'.
    std::string filter;
    std::string initialFolder;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual std::string OpenFile(const OpenFileRequest& request) = 0;
    virtual std::string BrowseForFolder(const std::string& prompt) = 0;
};

}  // namespace cartovex
