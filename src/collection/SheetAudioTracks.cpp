#include "collection/SheetAudioTracks.h"

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "platform/Files.h"

namespace cartovex {

const std::set<std::string>& SheetAudioTracks::AudioNames(const std::string& folder) {
    auto found = byFolder_.find(folder);
    if (found != byFolder_.end()) return found->second;
    std::set<std::string>& names = byFolder_[folder];
    for (const std::string& entry : files_.ListTopLevel(folder)) {
        if (!EndsWithIgnoringAsciiCase(entry, ".cue")) continue;
        const auto lines = ReadSheetFiles(files_, files_.Join(folder, entry));
        if (!lines) continue;
        for (const CueFileLine& line : *lines)
            if (line.audio) names.insert(AsciiLower(line.name));
    }
    return names;
}

bool SheetAudioTracks::IsAudioTrack(const std::string& path) {
    if (!EndsWithIgnoringAsciiCase(path, ".bin")) return false;
    const size_t cut = path.rfind(files_.Separator());
    if (cut == std::string::npos) return false;
    return AudioNames(path.substr(0, cut)).count(AsciiLower(path.substr(cut + 1))) > 0;
}

}  // namespace cartovex
