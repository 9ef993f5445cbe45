// Archives that hold a whole set: the data track is found by its block, not by its place, and the
// disc's tracks are counted inside the archive.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "disc/Analysis.h"
#include "disc/containers/Archive.h"
#include "outputs/Processing.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"
#include "testkit/PackedArchiveWriter.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

using Members = std::vector<std::pair<std::string, std::string>>;

struct Kind {
    const char* name;
    bool packed;  // read through libarchive
    std::string (*build)(const Members&);
};

std::string Zip(const Members& members) {
    std::vector<testkit::ZipMember> zip;
    for (const auto& [name, content] : members) zip.push_back({name, content, true, ""});
    return testkit::BuildZip(zip);
}

template <bool Compress>
std::string SevenZip(const Members& members) {
    std::vector<testkit::PackedMember> packed;
    for (const auto& [name, content] : members) packed.push_back({name, content, false, false, std::nullopt});
    return testkit::Build7z(packed, Compress);
}

std::string Rar(const Members& members) {
    std::vector<testkit::PackedMember> packed;
    for (const auto& [name, content] : members) packed.push_back({name, content, false, false, std::nullopt});
    return testkit::BuildRar4(packed);
}

const Kind KINDS[] = {{"zip", false, Zip},
                      {"7z", true, SevenZip<true>},
                      {"7z stored", true, SevenZip<false>},
                      {"rar", true, Rar}};

std::string Track(int number) {
    return "Set (Track " + std::string(number < 10 ? "0" : "") + std::to_string(number) + ").bin";
}

TEST(ArchiveContents, ASetIsJudgedByItsOwnMembers) {
    const HeaderBlock disc = testkit::BuildHeader({});
    const std::string data = testkit::RawImage(disc, 2);
    struct Case {
        const char* what;
        Members members;
        std::string format;
        int tracks;
    };
    Members set{{Track(1), data}};
    for (int t = 2; t <= 6; ++t) set.push_back({Track(t), testkit::AudioTrackBin(t)});
    std::vector<std::string> setNames;
    for (int t = 1; t <= 6; ++t) setNames.push_back(Track(t));
    Members withSheet = set;
    withSheet.push_back({"Set.cue", testkit::MultiTrackCueSheet(setNames)});
    Members audioFirst{{Track(2), testkit::AudioTrackBin(2)},
                       {Track(1), data},
                       {Track(3), testkit::AudioTrackBin(3)},
                       {"Set.cue", testkit::MultiTrackCueSheet({Track(1), Track(2), Track(3)})}};
    Members inAFolder;
    for (const auto& [name, content] : withSheet) inAFolder.push_back({"Set (USA)/" + name, content});
    const std::vector<Case> cases = {
        {"a multi-track set with its sheet", withSheet, "BIN+CUE", 5},
        {"an audio track packed first", audioFirst, "BIN+CUE", 2},
        {"a set without its sheet", set, "", 5},
        {"a set in a folder of the archive", inAFolder, "BIN+CUE", 5},
        {"one BIN with its sheet",
         {{"game.bin", data}, {"game.cue", testkit::CueSheet("game.bin", 3)}},
         "BIN+CUE",
         3},
        {"an ISO with MP3 tracks",
         {{"g.iso", testkit::CookedImage(disc, 2)},
          {"g 02.mp3", testkit::Mp3Track(2)},
          {"g 03.mp3", testkit::Mp3Track(3)}},
         "ISO+MP3",
         2},
        {"a lone image", {{"readme.txt", "hi"}, {"game.iso", testkit::CookedImage(disc, 2)}}, "", 0},
        // Another disc's sheet counts nothing for this one.
        {"a sheet naming another file",
         {{"game.bin", data}, {"x.cue", testkit::CueSheet("other.bin", 4)}},
         "BIN+CUE",
         0},
    };
    for (const Kind& kind : KINDS) {
        if (kind.packed && !PackedArchivesSupported()) continue;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind.name) + ": " + c.what);
            const std::string archive = kind.build(c.members);
            ASSERT_FALSE(archive.empty());
            const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(archive.data()),
                                                 archive.size());
            HeaderBlock header{};
            ContainerContents contents;
            const ArchiveReadResult result =
                kind.packed
                    ? ReadPackedArchiveHeaderFrom(MemorySource(bytes), bytes.size(), header, &contents)
                    : ReadArchiveHeaderFrom(MemorySource(bytes), bytes.size(), header, &contents);
            ASSERT_EQ(result, ArchiveReadResult::IMAGE_FOUND);
            EXPECT_EQ(header, disc);
            EXPECT_EQ(contents.format, c.format);
            EXPECT_EQ(contents.audioTracks, c.tracks);
        }
    }
}

// Only so many image members are unpacked at all, and of each only its start.
TEST(ArchiveContents, NoMoreThanSixtyFourImageMembersAreLookedAt) {
    const HeaderBlock disc = testkit::BuildHeader({});
    Members members;
    for (int i = 0; i < 64; ++i)
        members.push_back({"noise" + std::to_string(100 + i) + ".bin", std::string(3000, 'n')});
    members.push_back({"late.iso", testkit::CookedImage(disc, 2)});
    const std::string archive = Zip(members);
    HeaderBlock header{};
    EXPECT_EQ(ReadArchiveHeaderFrom(
                  std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(archive.data()), archive.size()),
                  header),
              ArchiveReadResult::MEMBER_NOT_SEGA_CD);
    members.erase(members.begin());
    const std::string fewer = Zip(members);
    EXPECT_EQ(
        ReadArchiveHeaderFrom(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(fewer.data()), fewer.size()), header),
        ArchiveReadResult::IMAGE_FOUND);
}

// Sets packed by the real 7-Zip (solid, the way it sorts them) and zip: identified with every track
// counted, processed under the title without a "missing tracks" marker.
TEST(ArchiveContents, SetsPackedByRealToolsAreCompleteDiscs) {
    ASSERT_EQ(std::system("command -v 7z > /dev/null"), 0) << "7z is needed (Debian package p7zip-full)";
    testkit::AnalysisBench bench;
    testkit::HeaderSpec fields;
    fields.salt = 9;
    const HeaderBlock header = testkit::BuildHeader(fields);
    bench.Know("Packed Set", header, 4);
    PosixFiles files;
    const std::string folder = bench.images.MakeFolder("pack");
    testkit::WriteMultiTrackSet(files, folder, "Packed Set", testkit::RawImage(header, 2),
                                4);
    bench.window().SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_ENABLED);
    for (const char* kind : {"7z", "zip"}) {
        SCOPED_TRACE(kind);
        const std::string archive = bench.images / (std::string("Packed.") + kind);
        const std::string command =
            "cd '" + folder + "' && 7z a -t" + kind + " -bd -bso0 '" + archive + "' . > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        if (std::string(kind) == "7z" && !PackedArchivesSupported()) continue;
        bench.Analyse(archive);
        EXPECT_EQ(bench.program().disc.displayName, "Packed Set");
        EXPECT_EQ(bench.program().disc.audioTracks, 4);
        ASSERT_EQ(ProcessImage(bench.program()), ProcessOutcome::DONE) << bench.program().pane.Text();
        EXPECT_TRUE(std::filesystem::exists(bench.images / (std::string("Packed_Set.") + kind)));
        std::filesystem::remove(bench.images / (std::string("Packed_Set.") + kind));
    }
}

}  // namespace
}  // namespace cartovex
