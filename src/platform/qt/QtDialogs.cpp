#include "platform/qt/QtDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <vector>

namespace cartovex {

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, start)) {
        parts.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(text.substr(start));
    return parts;
}

std::string CaseInsensitivePattern(std::string_view pattern) {
    std::string result;
    for (char c : pattern) {
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
        if (!upper && !lower) {
            result += c;
            continue;
        }
        const char other = upper ? char(c - 'A' + 'a') : char(c - 'a' + 'A');
        result += '[';
        result += lower ? c : other;
        result += upper ? c : other;
        result += ']';
    }
    return result;
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

std::string QtNameFilters(std::string_view filter) {
    const std::vector<std::string_view> parts = Split(filter, '|');
    std::string result;
    // Entries come in pairs of label and patterns; a label without patterns ends the list.
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string patterns;
        for (std::string_view pattern : Split(parts[i + 1], ';')) {
            if (pattern.empty()) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += CaseInsensitivePattern(pattern);
        }
        if (patterns.empty()) continue;
        if (!result.empty()) result += ";;";
        result.append(parts[i]);
        result += " (" + patterns + ")";
    }
    return result;
}

std::string QtDialogs::OpenFile(const OpenFileRequest& request) {
    // Links are returned as the links themselves, as the program expects of the Windows dialog.
    const QString chosen = QFileDialog::getOpenFileName(
        owner_, QString::fromUtf8(request.title.c_str()), QFile::decodeName(request.initialFolder.c_str()),
        QString::fromUtf8(QtNameFilters(request.filter).c_str()), nullptr,
        QFileDialog::DontResolveSymlinks | QFileDialog::HideNameFilterDetails);
    return chosen.isEmpty() ? std::string() : LocalPath(QDir::toNativeSeparators(chosen));
}

std::string QtDialogs::BrowseForFolder(const std::string& prompt) {
    const QString chosen =
        QFileDialog::getExistingDirectory(owner_, QString::fromUtf8(prompt.c_str()), QDir::homePath(),
                                          QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return chosen.isEmpty() ? std::string() : LocalPath(QDir::toNativeSeparators(chosen));
}

}  // namespace cartovex
