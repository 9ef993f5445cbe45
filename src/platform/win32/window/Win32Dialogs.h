// The common dialogs on Win32: GetOpenFileNameA and the shell's folder browser.
//
// For automated tests of the real program, the environment variables CARTOVEX_TEST_OPEN_FILE and
// CARTOVEX_TEST_FOLDER, when set and not empty, answer the open-file dialog and the folder
// browser without showing them. They are a testing aid only; nothing else reads the environment.
#pragma once

#include "platform/Dialogs.h"
#include "platform/win32/window/Win32Window.h"

namespace cartovex {

class Win32Dialogs : public Dialogs {
public:
    /// The dialogs are modal to the main window.
    explicit Win32Dialogs(const Win32Window& owner) : owner_(owner) {}

    std::string OpenFile(const OpenFileRequest& request) override;
    std::string BrowseForFolder(const std::string& prompt) override;

private:
    const Win32Window& owner_;
};

}  // namespace cartovex
