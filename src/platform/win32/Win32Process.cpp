#include "platform/win32/Win32Process.h"

#include "platform/win32/CommandLine.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Handle.h"
#include "platform/win32/WindowsHeaders.h"

namespace cartovex {

namespace {

/// A bare program name in `workingFolder`, with ".exe" added when the name has no extension, as
/// CreateProcess would add it. Empty when the folder has no such file.
std::string FindInFolder(const std::string& program, const std::string& workingFolder) {
    if (workingFolder.empty() || program.find_first_of("\\/:") != std::string::npos) return {};
    std::string name = program.find('.') == std::string::npos ? program + ".exe" : program;
    Win32Files files;
    std::string path = files.Join(workingFolder, name);
    return files.IsRegularFile(path) ? path : std::string();
}

}  // namespace

std::optional<int> Win32Process::Run(const std::string& program, const std::vector<std::string>& arguments,
                                     ShowState show, const std::string& workingFolder) {
    // CreateProcess looks for a bare name beside the calling program and in the caller's current
    // folder, not in the new process's working folder; the converter lives there, so look first.
    std::string application = FindInFolder(program, workingFolder);
    std::string commandLine = BuildCommandLine(program, arguments);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show == ShowState::Hidden ? SW_HIDE : SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(application.empty() ? nullptr : application.c_str(), commandLine.data(), nullptr,
                        nullptr, FALSE, 0, nullptr, workingFolder.empty() ? nullptr : workingFolder.c_str(),
                        &startup, &started))
        return std::nullopt;
    Win32Handle process(started.hProcess), thread(started.hThread);
    if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    if (!GetExitCodeProcess(process.get(), &status)) return std::nullopt;
    return static_cast<int>(status);
}

}  // namespace cartovex
