#include "disc/Analysis.h"

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/CueSheetFiles.h"
#include "disc/Decoders.h"
#include "disc/FieldLines.h"
#include "disc/HeaderReader.h"
#include "disc/Identification.h"
#include "disc/ImageFormat.h"
#include "disc/ImgSet.h"
#include "disc/ShownFormat.h"
#include "disc/containers/Archive.h"
#include "disc/containers/ChdCodecs.h"
#include "disc/containers/ChdImage.h"
#include "disc/containers/ContainerKinds.h"
#include "state/MenuModel.h"

namespace cartovex {

namespace {

const std::string RULE(75, '-');

void SplitImagePath(DiscInfo& disc, char separator) {
    const std::string& path = disc.imagePath;
    const size_t last = path.rfind(separator);
    disc.fileName = last == std::string::npos ? path : path.substr(last + 1);
    disc.folderPath = last == std::string::npos ? std::string() : path.substr(0, last);
    const size_t before = disc.folderPath.rfind(separator);
    disc.folderName = last == std::string::npos     ? std::string()
                      : before == std::string::npos ? disc.folderPath
                                                    : disc.folderPath.substr(before + 1);
    disc.extension = AsciiLower(path.size() > 3 ? path.substr(path.size() - 3) : path);
    // The one kind whose extension is shorter than three letters; without this its images would be
    // renamed to "Title..7z".
    if (disc.extension == ".7z") disc.extension = "7z";
}

// folderPath of an image at a root is empty ("/x.iso") or a bare drive ("C:\x.iso"), and a bare
// drive names the drive's current folder, not its root: those get their separator back.
std::string FolderToEnter(const DiscInfo& disc, char separator) {
    std::string folder = disc.folderPath;
    if (disc.imagePath.find(separator) == std::string::npos) return {};
    if (folder.empty() || folder.back() == ':') folder += separator;
    return folder;
}

void SetRegionItems(Window& window, bool enabled) {
    for (int id : {CMD_TO_EUROPE, CMD_TO_JAPAN, CMD_TO_USA})
        window.SetMenuItemState(id, enabled ? MENU_ENABLED : MENU_DISABLED);
}

// Every early end leaves the PROCESS button and the region commands off: DiscInfo already names the
// new file, and the old disc's identity must not be processed or converted under it.
void EndEarly(Program& program, const std::string& line) {
    program.pane.AppendLine(line);
    program.window().EnableControl(ID_PROCESS_BUTTON, false);
    SetRegionItems(program.window(), false);
}

std::string CouldNotRead(const DiscInfo& disc) {
    return "Could not read " + disc.fileName + "! File will be ignored.";
}

enum class Opened { YES, NO };

Opened ReadImageHeader(Program& program, const FolderListing& listing) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    // An .img no sheet or control file claims is some other kind of image (a floppy, a firmware).
    const bool claimedImg =
        disc.extension == "img" && FindImgSet(files, {}, listing.Names(), disc.fileName).IsDiscImage();
    const bool known = ContainerReadable(disc.extension) || disc.extension == "iso" ||
                       disc.extension == "bin" || disc.extension == "raw" || claimedImg;
    // Everything else (7z, RAR and CHD too in a build without their libraries): no header to read,
    // and the old image's block must not be taken for this file's.
    if (!known) {
        EndEarly(program, "This is not a Sega CD Image! File will be ignored.");
        return Opened::NO;
    }
    // The folder's listing holds ordinary files only: a name in it needs no asking. Reading the
    // header refuses anything else all the same, should the file have changed since.
    if (!listing.Names().Has(disc.fileName) && !files.IsRegularFile(disc.fileName)) {
        EndEarly(program, CouldNotRead(disc));
        return Opened::NO;
    }
    if (IsArchive(disc.extension)) {
        if (ReadArchiveHeader(program) != 1) {
            EndEarly(program, "There is no Sega CD image in this archive!");
            return Opened::NO;
        }
        return Opened::YES;
    }
    if (IsChd(disc.extension)) {
        const ChdReading reading = ReadChdImage(program);
        if (reading.result == ChdReading::Result::IMAGE_FOUND) return Opened::YES;
        EndEarly(program, ChdRejectionLine(reading, disc.fileName));
        return Opened::NO;
    }
    switch (ReadHeaderBlock(files, disc.fileName, disc.header)) {
        case HeaderReadResult::ACCEPTED_COOKED:
        case HeaderReadResult::ACCEPTED_RAW:
            return Opened::YES;
        case HeaderReadResult::NOT_SEGA_CD:
            EndEarly(program, "This is not a Sega CD Image! File will be ignored.");
            return Opened::NO;
        case HeaderReadResult::UNREADABLE:
            break;
    }
    EndEarly(program, CouldNotRead(disc));
    return Opened::NO;
}

void AppendFieldBlock(Program& program, const std::string& imageFormat) {
    const DiscInfo& disc = program.disc;
    OutputPane& pane = program.pane;
    pane.AppendLine(RULE);
    pane.AppendLine(disc.displayName);
    pane.AppendLine(RULE);
    for (const auto& line : FieldLines(program, imageFormat)) pane.AppendLine(line);
    pane.AppendLine(RULE);
}

// The open dialog's second entry: the containers beyond ZIP that this build reads, and .img dumps.
std::string OtherKindsFilter() {
    std::string what, shown, patterns;
    auto add = [&](const std::string& kinds, std::initializer_list<const char*> extensions) {
        what += (what.empty() ? "" : ", ") + kinds;
        for (const char* extension : extensions) {
            shown += (shown.empty() ? "*." : ", *.") + std::string(extension);
            patterns += (patterns.empty() ? "*." : ";*.") + std::string(extension);
        }
    };
    if (PackedArchivesSupported()) add("7z and RAR archives", {"7Z", "RAR"});
    if (ChdSupported()) add("CHD images", {"CHD"});
    add("CUE+IMG and CloneCD images", {"IMG"});
    return what + " (" + shown + ")|" + patterns + "|";
}

}  // namespace

void OpenImageCommand(Program& program) {
    OpenFileRequest request;
    request.title = "Open a Sega CD Image or Archive...";
    request.filter = "Sega CD images (*.ISO, *.BIN, *.RAW, *.ZIP)|*.ISO;*.BIN;*.RAW;*.ZIP|";
    request.filter += OtherKindsFilter();
    request.initialFolder = program.files().CurrentDirectory();
    std::string path = program.platform.dialogs.OpenFile(request);
    path = path.substr(0, path.find('\0'));
    if (path.empty()) return;
    program.disc.imagePath = path;
    AnalyseImage(program);
}

void AnalyseImage(Program& program) {
    AnalyseImageAccepted(program);
}

bool AnalyseImageAccepted(Program& program) {
    DiscInfo& disc = program.disc;
    Files& files = program.files();
    Window& window = program.window();
    const char separator = files.Separator();

    disc.matchIndex = NONE_VALUE;
    disc.tracksMismatch = NONE_VALUE;
    disc.duplicate = NONE_VALUE;
    disc.contents.reset();
    SplitImagePath(disc, separator);

    // The image is opened by its bare name from here on; a folder we couldn't enter would make that
    // name point at a file of the same name in the old folder.
    const std::string folder = FolderToEnter(disc, separator);
    if (!folder.empty() && !files.SetCurrentDirectory(folder)) {
        disc.cueFile.clear();
        EndEarly(program, CouldNotRead(disc));
        return false;
    }
    // One listing answers every question about the folder in this analysis.
    const FolderListing listing = FolderListing::OfCurrentFolder(files);
    disc.cueFile.clear();

    if (ReadImageHeader(program, listing) == Opened::NO) return false;
    // A folder may hold several discs, each with its sheet: the image's own is the one naming it. A
    // container that told what it holds has its tracks inside and no sheet beside it.
    if (!disc.contents) disc.cueFile = FindImageSheet(files, listing.Names(), disc.fileName);

    program.pane.AppendLine("Opened (" + disc.fileName + ") Successfully!");
    window.SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, MENU_CHECKED);
    const std::string imageFormat = ShownImageFormat(files, disc, listing);
    if (imageFormat == "BIN+CUE" || imageFormat == "IMG+CUE" || imageFormat == "IMG+CCD") {
        // An image that comes with its own CUE sheet (or control file) doesn't get a generated one.
        program.pane.AppendLine(imageFormat + " detected! CUE generation has been turned off.");
        window.SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, MENU_ENABLED);
    }
    disc.crc32 = HeaderChecksum(disc.header);
    CountShownAudioTracks(program, listing);
    SetRegionItems(window, Contains(AsciiUpper(disc.fileName), "ISO"));
    ApplyNulCuts(disc.header);
    NormaliseSerial(disc);
    FindDatabaseEntry(disc, program.database, program.Run().databaseIndex);
    BuildDisplayName(program);

    if (program.quietAnalysis == 1) return true;
    AppendFieldBlock(program, imageFormat);
    window.FocusControl(ID_PROCESS_BUTTON);
    return true;
}

}  // namespace cartovex
