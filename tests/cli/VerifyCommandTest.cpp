// verify, --fixdat and make-db --dat over sets the test makes, with DATs of their real hashes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "collection/DatVerification.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "testkit/Chdman.h"
#include "testkit/CliRun.h"
#include "testkit/DatWriter.h"
#include "testkit/ImageBuilder.h"
#include "verify/HashCache.h"

#if CARTOVEX_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

namespace cartovex {
namespace {

namespace fs = std::filesystem;
using testkit::OutputLines;

constexpr const char* GAME = "Azure Tide Racer (USA)";

class VerifyCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        header = testkit::BuildHeader({});
        // A data track and two audio tracks of odd lengths, as the DAT's game lists them.
        sheet = *testkit::WriteRawTrackSet(run.program.files(), Folder("discs/Azure"), "Azure", header, 2, 100, 23);
        for (int track = 1; track <= 3; ++track)
            tracks.push_back(Folder("discs/Azure") + "/Azure (Track 0" + std::to_string(track) + ").bin");
        game = testkit::GameOfFiles(GAME, sheet, tracks);
        lost = testkit::DatGameSpec{"Lost Disc (Japan)", {{"Lost Disc (Japan).cue", "FILE"}, {"Lost Disc (Japan) (Track 1).bin", "nothing here"}}};
        WriteDat("dats/Sega - Mega-CD & Sega CD.dat", {game, lost});
    }

    std::string Folder(const std::string& name) {
        fs::create_directories(run.start.dir / name);
        return run.start.dir / name;
    }
    void WriteDat(const std::string& name, const std::vector<testkit::DatGameSpec>& games) {
        run.start.dir.Write(name, testkit::LogiqxDat("Sega - Mega-CD & Sega CD", games));
    }
    std::string Out() const { return run.out.str(); }

    testkit::CliRun run;
    HeaderBlock header;
    std::string sheet;
    std::vector<std::string> tracks;
    testkit::DatGameSpec game, lost;
};

TEST_F(VerifyCommandTest, AWholeSetIsVerifiedWhateverItsFilesAreCalled) {
    EXPECT_EQ(run.Run({"verify", "discs"}), CLI_OK) << run.err.str();
    EXPECT_NE(Out().find(std::string("[VERIFIED] ") + GAME + " (3 tracks) - " + tracks[0]), std::string::npos)
        << Out();
    EXPECT_NE(Out().find("1 disc: 1 verified, 0 bad, 0 unknown."), std::string::npos) << Out();
    // Its audio tracks are parts of the set, not discs of their own.
    EXPECT_EQ(Out().find("[UNKNOWN]"), std::string::npos) << Out();
}

TEST_F(VerifyCommandTest, OneChangedByteOfAnAudioTrackNamesTheTrack) {
    std::string audio = testkit::FileBytes(tracks[1]);
    audio[1000] ^= 1;
    std::ofstream(tracks[1], std::ios::binary) << audio;
    EXPECT_EQ(run.Run({"verify", "--dat", "dats/Sega - Mega-CD & Sega CD.dat", "discs"}), CLI_NOT_IDENTIFIED);
    EXPECT_NE(Out().find(std::string("[BAD] ") + GAME + ": track 2 differs - " + tracks[0]), std::string::npos)
        << Out();
}

TEST_F(VerifyCommandTest, ADiscNoGameHasIsUnknown) {
    run.start.dir.Write("discs/Other/other.iso", testkit::CookedImage(testkit::BuildHeader({.salt = 7}), 20));
    EXPECT_EQ(run.Run({"verify", "discs"}), CLI_NOT_IDENTIFIED);
    EXPECT_NE(Out().find("[UNKNOWN] " + (run.start.dir / "discs/Other/other.iso")), std::string::npos) << Out();
    EXPECT_NE(Out().find("2 discs: 1 verified, 0 bad, 1 unknown."), std::string::npos) << Out();
}

TEST_F(VerifyCommandTest, ArchivesOfTheSetVerifyFromTheirMembers) {
    const std::string folder = Folder("discs/Azure");
    const std::string packed = Folder("packed");
    for (const char* kind : {"zip", "7z"}) {
        const std::string archive = packed + "/Azure." + kind;
        const std::string command = "cd '" + folder + "' && 7z a -bd -bso0 -bsp0 '" + archive + "' *.bin *.cue";
        ASSERT_EQ(std::system(command.c_str()), 0) << "7z (Debian's p7zip-full) is needed";
    }
    fs::remove_all(folder);
    EXPECT_EQ(run.Run({"verify", "packed"}), CLI_OK) << Out();
    EXPECT_NE(Out().find("2 discs: 2 verified"), std::string::npos) << Out();
}

TEST_F(VerifyCommandTest, ACdImageOfTheSetVerifiesAsTheSameGame) {
    CARTOVEX_REQUIRE_CHDMAN();
    for (const std::string codecs : {"", "none"}) {
        const std::string chd = Folder("chd") + "/Azure" + codecs + ".chd";
        ASSERT_TRUE(testkit::MakeChd(sheet, chd, codecs));
    }
    fs::remove_all(run.start.dir / "discs");
    EXPECT_EQ(run.Run({"verify", "chd"}), CLI_OK) << Out();
    EXPECT_NE(Out().find("2 discs: 2 verified"), std::string::npos) << Out();
}

TEST_F(VerifyCommandTest, ASecondRunOfAnUnchangedCollectionReadsNoImageBytes) {
    ASSERT_EQ(run.Run({"verify", "discs"}), CLI_OK);
    ASSERT_TRUE(fs::exists(run.start.dir / HASH_CACHE_FILE_NAME));
    // Any read of a track now fails, and would leave the disc unverified.
    run.spy.FailWhen("ReadAt", [](const std::string& path) { return path.ends_with(".bin"); });
    ASSERT_EQ(run.Run({"verify", "discs"}), CLI_OK) << Out();
    run.spy.ClearFailures();
    // A file changed since is hashed again, and found changed.
    std::string data = testkit::FileBytes(tracks[2]);
    data.back() ^= 1;
    std::ofstream(tracks[2], std::ios::binary) << data;
    EXPECT_EQ(run.Run({"verify", "discs"}), CLI_NOT_IDENTIFIED);
    EXPECT_NE(Out().find("track 3 differs"), std::string::npos) << Out();
}

TEST_F(VerifyCommandTest, ADamagedCacheIsIgnoredAndRebuilt) {
    run.start.dir.Write(HASH_CACHE_FILE_NAME, "CARTOVEX HASHES 1\nF\t1\t2\t3\t0\t1\t" + tracks[0] + "\n");
    EXPECT_EQ(run.Run({"verify", "discs"}), CLI_OK) << Out();
    EXPECT_NE(Out().find(std::string(HASH_CACHE_FILE_NAME) + " is damaged"), std::string::npos) << Out();
    HashCache cache;
    cache.Load(run.program.files(), run.start.dir / HASH_CACHE_FILE_NAME);
    EXPECT_FALSE(cache.Damaged());
}

#if CARTOVEX_HAVE_JSON
TEST_F(VerifyCommandTest, JsonGivesOneObjectPerDiscAndNothingElse) {
    run.start.dir.Write("discs/Other/other.iso", testkit::CookedImage(testkit::BuildHeader({.salt = 7}), 20));
    EXPECT_EQ(run.Run({"verify", "--json", "discs"}), CLI_NOT_IDENTIFIED);
    const auto lines = OutputLines(Out());
    ASSERT_EQ(lines.size(), 2u) << Out();
    const auto verified = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(verified["status"], "verified");
    EXPECT_EQ(verified["game"], GAME);
    EXPECT_EQ(verified["dat"], "Sega - Mega-CD & Sega CD.dat");
    EXPECT_EQ(verified["path"], tracks[0]);
    EXPECT_EQ(verified["tracks"].size(), 3u);
    const auto unknown = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(unknown["status"], "unknown");
    EXPECT_TRUE(unknown["game"].is_null());
    EXPECT_TRUE(unknown["dat"].is_null());
}
#endif

TEST_F(VerifyCommandTest, TheFixdatHoldsEveryGameNotVerifiedWhole) {
    ASSERT_EQ(run.Run({"verify", "--fixdat", "missing.dat", "discs"}), CLI_OK) << run.err.str();
    EXPECT_NE(Out().find("Missing games written to " + (run.start.dir / "missing.dat") + ": 1 game."),
              std::string::npos)
        << Out();
    // Read back by an independent parser: the game not present is there with both its roms, the
    // verified one is not.
    const std::string check =
        "python3 -c \"import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); "
        "g = r.findall('game'); assert [x.get('name') for x in g] == ['Lost Disc (Japan)'], g; "
        "assert len(g[0].findall('rom')) == 2; assert r.find('header/date').text == '2026-03-05'\" '" +
        (run.start.dir / "missing.dat") + "'";
    EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(VerifyCommandTest, BadDatsAreNamedAndStopTheRun) {
    const std::string cases[] = {
        "this is no DAT",
        "<?xml version=\"1.0\"?><datafile><game name=\"x\"><rom name=\"a\" size=\"1\" crc=\"00000000\"/>",
        "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;\">]>"
        "<datafile><game name=\"&b;\"/></datafile>",
        "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><datafile>"
        "<game name=\"&x;\"/></datafile>",
    };
    for (const std::string& text : cases) {
        run.start.dir.Write("bad.dat", text);
        EXPECT_EQ(run.Run({"verify", "--dat", "bad.dat", "discs"}), CLI_USAGE) << text;
        const auto lines = OutputLines(run.err.str());
        ASSERT_EQ(lines.size(), 1u) << text << "\n" << run.err.str();
        EXPECT_TRUE(lines[0].starts_with("cartovex-cli: verify: " + (run.start.dir / "bad.dat") + ": ")) << lines[0];
        EXPECT_EQ(Out().find("[VERIFIED]"), std::string::npos);
    }
    // One far larger than any catalogue is refused unread.
    {
        std::ofstream huge(run.start.dir / "huge.dat", std::ios::binary);
        huge.seekp(200 << 20);
        huge.put('\n');
    }
    EXPECT_EQ(run.Run({"verify", "--dat", "huge.dat", "discs"}), CLI_USAGE);
    EXPECT_NE(run.err.str().find("huge.dat: "), std::string::npos) << run.err.str();
}

TEST_F(VerifyCommandTest, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"verify"},
        {"verify", "--dat"},
        {"verify", "--fixdat", "a", "--fixdat", "b", "discs"},
        {"verify", "--bogus", "discs"},
    };
    for (const auto& args : cases) EXPECT_EQ(run.Run(args), CLI_USAGE) << args.size();
    fs::remove_all(run.start.dir / "dats");
    EXPECT_EQ(run.Run({"verify", "discs"}), CLI_USAGE);
    EXPECT_NE(run.err.str().find("No DAT file given, and none in " + (run.start.dir / "dats")), std::string::npos);
}

// The database learnt from verified dumps knows copies no DAT can verify: an ISO with MP3 tracks
// carries the header block of the BIN it was ripped from.
TEST_F(VerifyCommandTest, MakeDbFromDatsNamesVerifiedDiscsAfterTheirGames) {
    run.start.dir.Write("discs/Other/other.iso", testkit::CookedImage(testkit::BuildHeader({.salt = 7}), 20));
    EXPECT_EQ(run.Run({"make-db", "--dat", "dats/Sega - Mega-CD & Sega CD.dat", "discs"}), CLI_NOT_IDENTIFIED);
    const std::string database = Out();
    const std::string checksum = HexForm(HeaderChecksum(header));
    EXPECT_EQ(database, "1\r\n" + std::string(GAME) + "#" + checksum + "#2\r\n");
    EXPECT_NE(run.err.str().find("cartovex-cli: make-db: [UNKNOWN] " + (run.start.dir / "discs/Other/other.iso")),
              std::string::npos)
        << run.err.str();

    run.start.dir.Write("DATA.KVX", database);
    run.start.dir.Write("rips/Azure/Azure.iso", testkit::CookedImage(header, 20));
    run.start.dir.Write("rips/Azure/Azure 02.mp3", "ID3");
    run.start.dir.Write("rips/Azure/Azure 03.mp3", "ID3");
    EXPECT_EQ(run.Run({"analyse", "rips/Azure/Azure.iso"}), CLI_OK) << Out();
    EXPECT_NE(Out().find(GAME), std::string::npos) << Out();
}

}  // namespace
}  // namespace cartovex
