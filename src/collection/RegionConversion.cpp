#include "collection/Collection.h"

namespace cartovex {

namespace {

std::string ParentOf(const std::string& path, char separator) {
    const size_t last = path.rfind(separator);
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

// The image's folder as it is now. Processing renames the folder after the title and keeps the new
// name in folderName only, so after a rename folderPath names a folder that is gone.
std::string ImageFolder(Program& program) {
    Files& files = program.files();
    const DiscInfo& disc = program.disc;
    const char separator = files.Separator();
    if (files.IsRegularFile(disc.folderPath + separator + disc.fileName) || disc.folderName.empty())
        return disc.folderPath;
    const std::string renamed = ParentOf(disc.folderPath, separator) + separator + disc.folderName;
    if (files.IsRegularFile(renamed + separator + disc.fileName)) return renamed;
    return disc.folderPath;
}

}  // namespace

void ConvertRegion(Program& program, const std::string& regionCode) {
    Files& files = program.files();
    const char separator = files.Separator();
    const std::string folder = ImageFolder(program);
    const std::string source = folder + separator + program.disc.fileName;
    const std::string output = folder + separator + "(CONV to " + regionCode + ")" + program.disc.fileName;
    const std::string converterFolder = files.Join(program.startFolder, "convkvx");

    // Each argument reaches the converter whole, whatever the path's length or characters.
    const std::optional<int> status = program.platform.process.Run(
        "convkvx110", {"-o", output, "-d", regionCode, source}, ShowState::Normal, converterFolder);
    files.SetCurrentDirectory(folder);

    if (!status) {
        program.pane.AppendLine("Image Conversion failed! The converter could not be started from " +
                                converterFolder + ".");
        return;
    }
    // The converter writes its copy under the output name only once it is complete, so a copy left
    // by an earlier run doesn't make a failed run look good: its exit status decides.
    if (*status != 0 || !files.IsRegularFile(output)) {
        program.pane.AppendLine("Image Conversion failed!");
        return;
    }
    program.pane.AppendLine("Image Conversion Completed!!");
    program.pane.AppendLine("Output : " + output);
}

}  // namespace cartovex
