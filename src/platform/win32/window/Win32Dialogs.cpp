#include "platform/win32/window/Win32Dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <optional>
#include <vector>

#include "platform/win32/Win32Files.h"

namespace cartovex {

namespace {

constexpr DWORD OPEN_BUFFER_SIZE = 8192;

std::optional<std::string> TestAnswer(const char* variable) {
    DWORD length = GetEnvironmentVariableA(variable, nullptr, 0);
    if (length <= 1) return std::nullopt;
    std::string value(length, '\0');
    value.resize(GetEnvironmentVariableA(variable, value.data(), length));
    return value;
}

}  // namespace

std::string Win32Dialogs::OpenFile(const OpenFileRequest& request) {
    if (auto answer = TestAnswer("CARTOVEX_TEST_OPEN_FILE")) return *answer;

    // The program keeps filters as "label|patterns|"; the dialog wants NUL between the pieces and
    // two at the end.
    std::string filter = request.filter;
    for (char& c : filter)
        if (c == '|') c = '\0';
    filter.append(2, '\0');
    std::string folder =
        request.initialFolder.empty() ? Win32Files().CurrentDirectory() : request.initialFolder;
    std::vector<char> file(OPEN_BUFFER_SIZE, '\0');

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_.Handle();
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = OPEN_BUFFER_SIZE;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NODEREFERENCELINKS;
    if (!GetOpenFileNameA(&dialog)) return {};
    return file.data();
}

std::string Win32Dialogs::BrowseForFolder(const std::string& prompt) {
    if (auto answer = TestAnswer("CARTOVEX_TEST_FOLDER")) return *answer;

    char display[MAX_PATH] = {};
    BROWSEINFOA browse{};
    browse.hwndOwner = owner_.Handle();
    browse.pszDisplayName = display;
    browse.lpszTitle = prompt.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return {};
    char path[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    return ok ? std::string(path) : std::string();
}

}  // namespace cartovex
