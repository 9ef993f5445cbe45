#include "platform/qt/QtDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <vector>

#include "platform/qt/QtWindow.h"

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

// The spelling the folder rule compares: links resolved, no trailing separator. A folder that
// doesn't exist keeps its own spelling.
std::string CanonicalFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return LocalPath(QDir::toNativeSeparators(canonical.isEmpty() ? QDir::cleanPath(folder) : canonical));
}

std::string CanonicalFolder(const std::string& folder) {
    return folder.empty() ? folder : CanonicalFolder(QFile::decodeName(folder.c_str()));
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

DialogFolders UserDialogFolders() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return DialogFolders(CanonicalFolder(data + QStringLiteral("/cartovex")),
                         CanonicalFolder(QDir::homePath()));
}

std::string QtDialogs::OpenFile(const OpenFileRequest& request) {
    const std::string start = folders_.StartIn(CanonicalFolder(request.initialFolder));
    QFileDialog dialog(&owner_, QString::fromUtf8(request.title.c_str()), QFile::decodeName(start.c_str()),
                       QString::fromUtf8(QtNameFilters(request.filter).c_str()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    // Links are returned as the links themselves, as the program expects of the Windows dialog.
    dialog.setOptions(QFileDialog::DontResolveSymlinks | QFileDialog::HideNameFilterDetails);
    return Run(dialog);
}

std::string QtDialogs::BrowseForFolder(const std::string& prompt) {
    QFileDialog dialog(&owner_, QString::fromUtf8(prompt.c_str()),
                       QFile::decodeName(folders_.StartIn({}).c_str()));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return Run(dialog);
}

std::string QtDialogs::Run(QFileDialog& dialog) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    owner_.DialogOpening();
    const bool confirmed = dialog.exec() == QDialog::Accepted;
    owner_.DialogClosed();
    const QStringList chosen = dialog.selectedFiles();
    const QString path = confirmed && !chosen.isEmpty() ? chosen.first() : QString();
    // The next dialog starts where this one ended: in the folder it showed, or in the folder the
    // user chose.
    folders_.Ended(CanonicalFolder(QFileInfo(path).isDir() ? path : dialog.directory().absolutePath()));
    return path.isEmpty() ? std::string() : LocalPath(QDir::toNativeSeparators(path));
}

}  // namespace cartovex
