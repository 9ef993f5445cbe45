#include "platform/posix/PosixProcess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace cartovex {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<int> PosixProcess::Run(const std::string& program, const std::vector<std::string>& arguments,
                                     ShowState, const std::string& workingFolder) {
    // Windows finds a bare program name in the current folder before the search path; the converter
    // relies on that, so do the same here.
    std::string file = program;
    bool bare = program.find('/') == std::string::npos;
    if (bare && !workingFolder.empty() && IsExecutableFile(workingFolder + "/" + program))
        file = workingFolder + "/" + program;
    bool search = bare && file == program;

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    // The child reports a failed chdir or exec through this pipe; a successful exec closes it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return std::nullopt;
    pid_t child = fork();
    if (child < 0) {
        close(report[0]);
        close(report[1]);
        return std::nullopt;
    }
    if (child == 0) {
        close(report[0]);
        if (workingFolder.empty() || chdir(workingFolder.c_str()) == 0) {
            if (search)
                execvp(file.c_str(), argv.data());
            else
                execv(file.c_str(), argv.data());
        }
        int error = errno;
        ssize_t ignored = write(report[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    close(report[1]);
    int childError = 0;
    ssize_t n;
    do {
        n = read(report[0], &childError, sizeof childError);
    } while (n < 0 && errno == EINTR);
    close(report[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (n > 0) return std::nullopt;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace cartovex
