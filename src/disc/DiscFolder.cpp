#include "disc/DiscFolder.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImgSet.h"
#include "disc/containers/ContainerKinds.h"
#include "platform/FolderNames.h"

namespace cartovex {

bool HoldsAnotherDisc(const Files& files, const FolderNames& folder, const std::string& imageName,
                      const std::string& sheet) {
    std::vector<std::string> ownFiles{imageName};
    if (!sheet.empty())
        if (const auto lines = ReadSheetFiles(files, sheet))
            for (const CueFileLine& line : *lines)
                if (auto file = FileInFolder(folder, line.name)) ownFiles.push_back(*file);
    for (const std::string& extension : ImageFileExtensions()) {
        for (const std::string& name : folder.Matching("*." + extension)) {
            if (extension == "img" && !FindImgSet(files, {}, folder, name).IsDiscImage()) continue;
            const bool own = std::any_of(ownFiles.begin(), ownFiles.end(), [&name](const std::string& file) {
                return EqualsIgnoringAsciiCase(file, name);
            });
            if (!own) return true;
        }
    }
    return false;
}

}  // namespace cartovex
