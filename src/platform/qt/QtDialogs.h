// The open-file dialog and the folder browser on Qt, both modal to the main window.
#pragma once

#include <string>
#include <string_view>

#include "platform/Dialogs.h"

class QWidget;

namespace cartovex {

/// The program's "label|patterns|..." filter as Qt name filters joined by ";;". Each pattern is made
/// to match without regard to letter case ("*.ISO" becomes "*.[iI][sS][oO]"), as it does on Windows;
/// the dialog shows only the label.
std::string QtNameFilters(std::string_view filter);

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* owner) : owner_(owner) {}

    std::string OpenFile(const OpenFileRequest& request) override;
    std::string BrowseForFolder(const std::string& prompt) override;

private:
    QWidget* owner_;
};

}  // namespace cartovex
