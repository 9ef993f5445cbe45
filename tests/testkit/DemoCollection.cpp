#include "testkit/DatWriter.h"
#include "testkit/DemoCollection.h"

#include <filesystem>
#include <span>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/RegionPatch.h"
#include "platform/Files.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Chdman.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TempFolder.h"
#include "testkit/ZipWriter.h"

namespace cartovex::testkit {

namespace {

constexpr const char* DATABASE_VERSION = "1";
constexpr const char* DEVELOPER_VERSION = "1";

HeaderSpec Disc(const std::string& title, const std::string& copyright, const std::string& serial,
                const std::string& devices, uint8_t region, uint32_t salt) {
    HeaderSpec fields;
    fields.localName = title;
    fields.worldName = title;
    fields.copyrightInfo = copyright;
    fields.serialField = serial;
    fields.deviceSupport = devices;
    fields.regionByte = region;
    fields.salt = salt;
    return fields;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class Writer {
public:
    Writer(Files& files, const std::string& root) : files_(files), root_(root) {}

    bool ok() const { return ok_; }

    // The program itself never makes folders, so Files has no call for it.
    std::string Folder(const std::string& relative) {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(root_) / relative, error);
        ok_ = ok_ && !error;
        std::string path = root_;
        for (const std::string& piece : Split(relative, '/')) path = files_.Join(path, piece);
        return path;
    }

    void File(const std::string& folder, const std::string& name, const std::string& content) {
        ok_ = ok_ && files_.WriteFile(files_.Join(folder, name), content);
    }

    void Tracks(const std::string& folder, const std::string& stem, const std::string& extension, int count) {
        ok_ =
            ok_ && static_cast<int>(WriteAudioTracks(files_, folder, stem, extension, count).size()) == count;
    }

private:
    Files& files_;
    std::string root_;
    bool ok_ = true;
};

HeaderBlock CoralRift() {
    return BuildHeader(Disc("CORAL RIFT", "(C)T-37 1995.MAY", "T-37031 -00 ", "J", 0x64, 8));
}
constexpr int CORAL_RIFT_AUDIO_TRACKS = 3;

// Its data track and audio tracks kept as a CHD, made by chdman once per run; empty where chdman is
// not installed.
const std::string& CoralRiftChd() {
    static const std::string chd = [] {
        PosixFiles files;
        TempFolder work;
        return MakeChdOfRawSet(files, work.Path(), "Set", CoralRift(), CORAL_RIFT_AUDIO_TRACKS)
                   ? work.Read("Set.chd")
                   : std::string();
    }();
    return chd;
}

}  // namespace

std::optional<DemoCollection> WriteDemoCollection(Files& files, const std::string& folder) {
    DemoCollection demo;
    Writer out(files, folder);
    auto entry = [&](const std::string& title, const HeaderBlock& header, int tracks) {
        demo.databaseEntries.push_back(title + "#" + HexForm(HeaderChecksum(header)) + "#" +
                                       PlainNumber(tracks));
    };

    // An ISO with MP3 tracks, in the database.
    const HeaderBlock starQuest =
        BuildHeader(Disc("STAR QUEST", "(C)T-25 1993.JAN", "T-25036 -00 ", "J", 0, 1));
    std::string dir = out.Folder("collection/Star Quest");
    out.File(dir, "Star Quest.iso", CookedImage(starQuest));
    out.Tracks(dir, "Star Quest", "mp3", 3);
    entry("Star Quest", starQuest, 3);
    demo.discs.push_back({"collection/Star Quest/Star Quest.iso", "ISO+MP3", "Star Quest", 3});

    // A raw BIN with its own CUE sheet.
    const HeaderBlock nebula =
        BuildHeader(Disc("NEBULA DRIFT", "(C)T-37 1994.MAR", "T-37012 -01 ", "J6", 0, 2));
    dir = out.Folder("collection/Nebula Drift");
    out.File(dir, "Nebula Drift.bin", RawImage(nebula));
    out.File(dir, "Nebula Drift.cue", CueSheet("Nebula Drift.bin", 2));
    entry("Nebula Drift", nebula, 2);
    demo.discs.push_back({"collection/Nebula Drift/Nebula Drift.bin", "BIN+CUE", "Nebula Drift", 2});

    // A raw BIN with WAV tracks, from Europe.
    const HeaderBlock harbor =
        BuildHeader(Disc("HARBOR LIGHTS", "(C)SEGA 1993.OCT", "MK-4490 -00 ", "JM", 0x64, 3));
    dir = out.Folder("collection/Harbor Lights");
    out.File(dir, "harbor.bin", RawImage(harbor));
    out.Tracks(dir, "harbor", "wav", 4);
    entry("Harbor Lights", harbor, 4);
    demo.discs.push_back({"collection/Harbor Lights/harbor.bin", "BIN+WAV", "Harbor Lights", 4});

    // A RAW with MP3 tracks, already in the user's collection (listed in KVX_HAVE.TXT): its folder is
    // the very entry the list names, so it is no duplicate of itself.
    const HeaderBlock copper =
        BuildHeader(Disc("COPPER CANYON", "T-70 1994.JUN", "GM G-6021   ", "J", 0xA1, 4));
    dir = out.Folder("collection/Copper Canyon");
    out.File(dir, "Copper Canyon.raw", RawImage(copper));
    out.Tracks(dir, "Copper Canyon", "mp3", 2);
    entry("Copper Canyon", copper, 2);
    demo.haveList.push_back("Copper Canyon");
    demo.discs.push_back({"collection/Copper Canyon/Copper Canyon.raw", "RAW+MP3", "Copper Canyon", 2});

    // A second copy of that disc, as an ISO without its audio tracks: a duplicate.
    dir = out.Folder("collection/Backup");
    out.File(dir, "copper-backup.iso", CookedImage(copper));
    demo.discs.push_back(
        {"collection/Backup/copper-backup.iso", "ISO", "Copper Canyon(DUPE)(MISSING AUDIO TRACKS)", 0});

    // A multi-track set as verified dumps keep it: one BIN a track and a sheet naming them all.
    const HeaderBlock azure =
        BuildHeader(Disc("AZURE TIDE RACER", "(C)T-37 1994.AUG", "T-37020 -00 ", "J6", 0, 7));
    dir = out.Folder("collection/Azure Tide Racer (USA)");
    const auto tracks = WriteMultiTrackSet(files, dir, "Azure Tide Racer (USA)", RawImage(azure), 5, 7);
    if (tracks.empty()) return std::nullopt;
    entry("Azure Tide Racer (USA)", azure, 5);
    demo.discs.push_back(
        {"collection/Azure Tide Racer (USA)/" + tracks.front(), "BIN/CUE set", "Azure Tide Racer (USA)", 5});
    // The DAT a preservation project keeps lists the set with its files' real hashes; it lists a disc
    // the collection lacks too, which verify's fixdat names.
    std::vector<std::string> trackPaths;
    for (const std::string& track : tracks) trackPaths.push_back(files.Join(dir, track));
    std::vector<DatGameSpec> datGames = {
        GameOfFiles("Azure Tide Racer (USA)", files.Join(dir, "Azure Tide Racer (USA).cue"), trackPaths),
        {"Lantern Bay (Japan)",
         {{"Lantern Bay (Japan).cue", "FILE \"Lantern Bay (Japan) (Track 1).bin\" BINARY\r\n"},
          {"Lantern Bay (Japan) (Track 1).bin", RawImage(BuildHeader(Disc("LANTERN BAY", "(C)T-70 1995.MAY",
                                                                          "T-70031 -00 ", "J", 0, 8)))}}},
    };

    // A raw BIN packed in a ZIP archive behind a readme.
    const HeaderBlock moonlit =
        BuildHeader(Disc("MOONLIT GARDEN", "(C)T-25 1995.FEB", "T-25044 -00 ", "JM", 0, 5));
    dir = out.Folder("collection/Moonlit Garden");
    const std::string archive = BuildZip({{"readme.txt", "Moonlit Garden, packed.\r\n", true, ""},
                                          {"Moonlit Garden.bin", RawImage(moonlit), true, ""}});
    if (archive.empty()) return std::nullopt;
    out.File(dir, "Moonlit Garden.zip", archive);
    entry("Moonlit Garden", moonlit, 0);
    demo.discs.push_back({"collection/Moonlit Garden/Moonlit Garden.zip", "ZIP", "Moonlit Garden", 0});

    // A raw BIN with three audio tracks, kept as a CHD, where chdman is there to make it.
    if (const std::string& chd = CoralRiftChd(); !chd.empty()) {
        dir = out.Folder("collection/Coral Rift");
        out.File(dir, "Coral Rift (Europe).chd", chd);
        entry("Coral Rift", CoralRift(), CORAL_RIFT_AUDIO_TRACKS);
        demo.discs.push_back(
            {"collection/Coral Rift/Coral Rift (Europe).chd", "CHD", "Coral Rift", CORAL_RIFT_AUDIO_TRACKS});
    }

    // A disc the database doesn't know.
    const HeaderBlock mystery =
        BuildHeader(Disc("MYSTERY ISLE", "(C)T-99 1996.JUL", "T-99001 -00 ", "J", 0, 6));
    dir = out.Folder("collection/Unsorted");
    out.File(dir, "mystery.iso", CookedImage(mystery));
    demo.discs.push_back({"collection/Unsorted/mystery.iso", "ISO", "NOT IN DATABASE", 0});

    // Star Quest converted to Japan: the region byte changed and the conversion mark added.
    std::string converted = CookedImage(starQuest);
    PatchFirstSector(std::span<uint8_t>(reinterpret_cast<uint8_t*>(converted.data()), converted.size()),
                     HeaderReadResult::ACCEPTED_COOKED, *RegionByteFor("j"));
    dir = out.Folder("collection/Converted");
    out.File(dir, "Star Quest (J).iso", converted);
    demo.discs.push_back({"collection/Converted/Star Quest (J).iso", "ISO", "CONVERTED IMAGE", 0});

    demo.developers = {
        {25, "Nimbus Works"}, {37, "Tidewater Soft"}, {70, "Lanternfish"}, {99, "Obsidian Lane"}};
    std::vector<std::string> developerLines;
    for (const auto& [code, name] : demo.developers) developerLines.push_back(PlainNumber(code) + "#" + name);

    developerLines.insert(developerLines.begin(), DEVELOPER_VERSION);
    std::vector<std::string> databaseLines = demo.databaseEntries;
    databaseLines.insert(databaseLines.begin(), DATABASE_VERSION);
    out.File(folder, "DATA.KVX", Lines(databaseLines));
    out.File(out.Folder("dats"), DEMO_DAT_NAME, LogiqxDat("Cartovex demo discs", datGames));
    out.File(folder, "DEVELOPPER.KVX", Lines(developerLines));
    out.File(folder, "KVX_HAVE.TXT", Lines(demo.haveList));
    if (!out.ok()) return std::nullopt;
    return demo;
}

}  // namespace cartovex::testkit
