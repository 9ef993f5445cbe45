#include "testkit/SheetCheck.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"

namespace cartovex::testkit {

namespace {

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace

std::vector<std::string> SheetsThatDontPlay(const std::string& root,
                                            const std::map<std::string, long long>& tracks) {
    namespace fs = std::filesystem;
    std::vector<std::string> problems;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || !EndsWithIgnoringAsciiCase(entry.path().string(), ".cue")) continue;
        const std::string sheet = fs::relative(entry.path(), root).string();
        for (const CueFileLine& line : ReadCueFileLines(ReadWhole(entry.path()))) {
            const fs::path file = entry.path().parent_path() / line.name;
            if (line.name.find('/') != std::string::npos || !fs::is_regular_file(file)) {
                problems.push_back(sheet + ": " + line.name + " is missing");
                continue;
            }
            const auto known = tracks.find(ReadWhole(file));
            if (known == tracks.end() || !line.track || known->second != *line.track)
                problems.push_back(sheet + ": " + line.name + " doesn't hold track " +
                                   (line.track ? std::to_string(*line.track) : std::string("?")));
        }
    }
    return problems;
}

std::vector<std::string> PlaylistsThatDontPlay(const std::string& root,
                                               const std::map<std::string, int>& discs) {
    namespace fs = std::filesystem;
    std::vector<std::string> problems;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || !EndsWithIgnoringAsciiCase(entry.path().string(), ".m3u")) continue;
        const std::string playlist = fs::relative(entry.path(), root).string();
        int disc = 0;
        for (std::string line : SplitAnyLineEnds(ReadWhole(entry.path()))) {
            if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
            if (line.empty() || line[0] == '#') continue;
            ++disc;
            const fs::path file = entry.path().parent_path() / line;
            if (line.find('/') != std::string::npos || !fs::is_regular_file(file)) {
                problems.push_back(playlist + ": " + line + " is missing");
                continue;
            }
            std::string data = ReadWhole(file);
            if (EndsWithIgnoringAsciiCase(line, ".cue")) {
                const auto files = ReadCueFileLines(data);
                data = files.empty() ? std::string() : ReadWhole(file.parent_path() / files.front().name);
            }
            const auto known = discs.find(data);
            if (known == discs.end() || known->second != disc)
                problems.push_back(playlist + ": " + line + " is not disc " + std::to_string(disc));
        }
    }
    return problems;
}

std::vector<std::string> ContentsOf(const std::string& root, const std::vector<std::string>& extensions) {
    std::vector<std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        if (std::any_of(extensions.begin(), extensions.end(),
                        [&path](const std::string& ext) { return EndsWithIgnoringAsciiCase(path, ext); }))
            contents.push_back(ReadWhole(entry.path()));
    }
    std::sort(contents.begin(), contents.end());
    return contents;
}

}  // namespace cartovex::testkit
