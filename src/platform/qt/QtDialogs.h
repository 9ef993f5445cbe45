// The open-file dialog and the folder browser on Qt, both modal to the main window.
#pragma once

#include <string>
#include <string_view>

#include "platform/Dialogs.h"
#include "platform/qt/DialogFolders.h"

class QFileDialog;

namespace cartovex {

class QtWindow;

/// The program's "label|patterns|..." filter as Qt name filters joined by ";;". Each pattern is made
/// to match without regard to letter case ("*.ISO" becomes "*.[iI][sS][oO]"), as it does on Windows;
/// the dialog shows only the label.
std::string QtNameFilters(std::string_view filter);

/// The folders the dialogs start in for this user: the launcher's working folder
/// (${XDG_DATA_HOME:-~/.local/share}/cartovex) and the home folder.
DialogFolders UserDialogFolders();

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QtWindow& owner, DialogFolders folders = UserDialogFolders())
        : owner_(owner), folders_(std::move(folders)) {}

    std::string OpenFile(const OpenFileRequest& request) override;
    std::string BrowseForFolder(const std::string& prompt) override;

private:
    /// Shows the dialog modal to the window; answers its first chosen path, or empty on cancel.
    std::string Run(QFileDialog& dialog);

    QtWindow& owner_;
    DialogFolders folders_;
};

}  // namespace cartovex
