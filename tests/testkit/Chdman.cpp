#include "testkit/Chdman.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Files.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"

extern char** environ;

namespace cartovex::testkit {

namespace {

std::string TwoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string AudioTrackLines(int track) {
    return "  TRACK " + TwoDigits(track) + " AUDIO\r\n    INDEX 01 00:00:00\r\n";
}

}  // namespace

std::string ChdmanPath() {
    for (const char* folder : {"/usr/bin", "/usr/local/bin", "/usr/games"}) {
        const std::string path = std::string(folder) + "/chdman";
        if (access(path.c_str(), X_OK) == 0) return path;
    }
    return {};
}

// chdman reports its progress at length; only its exit status matters here.
bool RunChdman(std::vector<std::string> args) {
    const std::string chdman = ChdmanPath();
    if (chdman.empty()) return false;
    args.insert(args.begin(), chdman);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, chdman.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool MakeChd(const std::string& cue, const std::string& chd, const std::string& codecs) {
    std::vector<std::string> create = {"createcd", "-i", cue, "-o", chd, "-f"};
    if (!codecs.empty()) create.insert(create.end(), {"-c", codecs});
    return RunChdman(create) && RunChdman({"info", "-i", chd});
}

std::optional<std::string> WriteRawTrackSet(Files& files, const std::string& folder, const std::string& stem,
                                            const HeaderBlock& header, int audioTracks, size_t dataSectors,
                                            size_t audioSectors) {
    auto trackFile = [&](int track) { return stem + " (Track " + TwoDigits(track) + ").bin"; };
    std::string sheet =
        "FILE \"" + trackFile(1) + "\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n";
    bool written = files.WriteFile(files.Join(folder, trackFile(1)), RawImage(header, dataSectors));
    for (int track = 2; track < audioTracks + 2; ++track) {
        written = written && files.WriteFile(files.Join(folder, trackFile(track)),
                                             AudioTrackBin(track, 0, audioSectors));
        sheet += "FILE \"" + trackFile(track) + "\" BINARY\r\n" + AudioTrackLines(track);
    }
    const std::string cue = files.Join(folder, stem + ".cue");
    if (!written || !files.WriteFile(cue, sheet)) return std::nullopt;
    return cue;
}

std::optional<std::string> WriteIsoWavSet(Files& files, const std::string& folder, const std::string& stem,
                                          const HeaderBlock& header, int audioTracks, size_t dataSectors,
                                          size_t audioSectors) {
    std::string sheet =
        "FILE \"" + stem + ".iso\" BINARY\r\n  TRACK 01 MODE1/2048\r\n    INDEX 01 00:00:00\r\n";
    bool written = files.WriteFile(files.Join(folder, stem + ".iso"), CookedImage(header, dataSectors));
    for (int track = 2; track < audioTracks + 2; ++track) {
        const std::string name = stem + " " + TwoDigits(track) + ".wav";
        written = written && files.WriteFile(files.Join(folder, name), WavTrack(track, audioSectors));
        sheet += "FILE \"" + name + "\" WAVE\r\n" + AudioTrackLines(track);
    }
    const std::string cue = files.Join(folder, stem + ".cue");
    if (!written || !files.WriteFile(cue, sheet)) return std::nullopt;
    return cue;
}

std::optional<std::string> MakeChdOfRawSet(Files& files, const std::string& folder, const std::string& stem,
                                           const HeaderBlock& header, int audioTracks,
                                           const std::string& codecs) {
    const auto cue = WriteRawTrackSet(files, folder, stem, header, audioTracks);
    const std::string chd = files.Join(folder, stem + ".chd");
    if (!cue || !MakeChd(*cue, chd, codecs)) return std::nullopt;
    return chd;
}

}  // namespace cartovex::testkit
