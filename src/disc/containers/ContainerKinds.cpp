#include "disc/containers/ContainerKinds.h"

#include "disc/containers/Archive.h"
#include "disc/containers/ChdCodecs.h"

namespace cartovex {

bool IsArchive(std::string_view extension) {
    return extension == "zip" || extension == "7z" || extension == "rar";
}

bool IsChd(std::string_view extension) {
    return extension == "chd";
}

bool IsContainer(std::string_view extension) {
    return IsArchive(extension) || IsChd(extension);
}

bool ContainerReadable(std::string_view extension) {
    if (extension == "zip") return true;
    if (IsArchive(extension)) return PackedArchivesSupported();
    return IsChd(extension) && ChdSupported();
}

const std::vector<std::string>& ImageFileExtensions() {
    static const std::vector<std::string> extensions = [] {
        std::vector<std::string> kinds = {"iso", "raw", "bin", "img", "zip"};
        if (PackedArchivesSupported()) kinds.insert(kinds.end(), {"7z", "rar"});
        if (ChdSupported()) kinds.push_back("chd");
        return kinds;
    }();
    return extensions;
}

}  // namespace cartovex
