#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#if __has_include(<nlohmann/json.hpp>)
#include <nlohmann/json.hpp>
#define CARTOVEX_TEST_JSON 1
#endif

#include "app/CommandLine.h"
#include "app/JsonReport.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/containers/Archive.h"
#include "testkit/CliRun.h"
#include "testkit/Companions.h"
#include "testkit/DemoCollection.h"
#include "testkit/ImageBuilder.h"
#include "testkit/PackedArchiveWriter.h"

namespace cartovex {
namespace {

using Lines = std::vector<std::string>;
using Cli = testkit::CliRun;
using testkit::OutputLines;

HeaderBlock Disc(const std::string& title, uint32_t salt = 0) {
    testkit::HeaderSpec fields;
    fields.localName = title;
    fields.salt = salt;
    return testkit::BuildHeader(fields);
}

TEST(DryRun, ChangesNothingAndPlansExactlyWhatTheRealRunThenDoes) {
    const std::vector<Lines> commands = {
        {"mass", "collection"},
        {"process", "collection/Star Quest/Star Quest.iso"},
        {"process", "collection/Nebula Drift/Nebula Drift.bin"},  // its own CUE sheet is repaired
        {"process",
         "collection/Azure Tide Racer (USA)/Azure Tide Racer (USA) (Track 01).bin"},  // a whole set
        {"process", "collection/Packed/Ember.7z"},
    };
    for (const Lines& command : commands) {
        SCOPED_TRACE(command[1]);
        Cli cli;
        auto demo = testkit::WriteDemoCollection(cli.program.files(), cli.start.dir.Path());
        ASSERT_TRUE(demo);
        if (PackedArchivesSupported()) {
            const HeaderBlock ember = Disc("EMBER", 77);
            cli.start.dir.Write(
                "collection/Packed/Ember.7z",
                testkit::Build7z({{"Ember.bin", testkit::RawImage(ember, 4), false, false, {}}}));
            std::string database = cli.start.dir.Read("DATA.KVX");
            cli.start.dir.Write("DATA.KVX",
                                database + "Ember Isle#" + HexForm(HeaderChecksum(ember)) + "#0\r\n");
        }
        ASSERT_EQ(cli.Run({"toggle", "fixcue", "on"}), CLI_OK);
        const Lines before = cli.start.dir.Snapshot();
        const size_t changesBefore = cli.spy.Changes().size();

        Lines withOption = command;
        withOption.insert(withOption.begin() + 1, "--dry-run");
        const int planStatus = cli.Run(withOption);
        EXPECT_EQ(cli.start.dir.Snapshot(), before);
        EXPECT_EQ(cli.spy.Changes().size(), changesBefore);
        Lines plan, planPane;
        for (const std::string& line : OutputLines(cli.out.str())) {
            if (line.starts_with("would "))
                plan.push_back(line.substr(6));
            else
                planPane.push_back(line);
        }
        EXPECT_FALSE(plan.empty());

        EXPECT_EQ(cli.Run(command), planStatus);
        const Lines done = testkit::ChangesLeftBehind(cli.spy, changesBefore);
        EXPECT_EQ(plan, done);
        // The run reports the same lines in both modes: the plan only adds its own.
        EXPECT_EQ(planPane, OutputLines(cli.out.str()));
    }
}

// A shelf of the layouts .img dumps and multi-disc games come in: make-db takes the .img sets (and
// passes over an .img nothing claims without a word), and the dry run plans the playlists and the
// CloneCD files as the real run then makes them, without the run's own journal.
TEST(DryRun, PlansPlaylistsAndImgSetsButNotItsOwnJournal) {
    Cli cli;
    const HeaderBlock clone = Disc("CLONE"), cued = Disc("CUED"), first = Disc("DUO 1"),
                      second = Disc("DUO 2"), willow1 = Disc("WILLOW 1"), willow2 = Disc("WILLOW 2");
    cli.start.dir.Write("shelf/Clone/game.img", testkit::RawImage(clone));
    cli.start.dir.Write("shelf/Clone/game.ccd", "[CloneCD]\r\nVersion=3\r\n[TRACK 1]\r\nMODE=1\r\n");
    cli.start.dir.Write("shelf/Clone/game.sub", std::string(96, '\x40'));
    cli.start.dir.Write("shelf/Cued/data.img", testkit::CookedImage(cued));
    cli.start.dir.Write("shelf/Cued/data.cue", "FILE \"data.img\" BINARY\r\n  TRACK 01 MODE1/2048\r\n");
    cli.start.dir.Write("shelf/Floppy/boot.img", std::string(1474560, '\0'));
    cli.start.dir.Write("shelf/Duo/b.iso", testkit::CookedImage(first));
    cli.start.dir.Write("shelf/Duo/a.iso", testkit::CookedImage(second));
    cli.start.dir.Write("shelf/Willow/w1.iso", testkit::CookedImage(willow1));
    cli.start.dir.Write("shelf/Willow/w2.iso", testkit::CookedImage(willow2));
    cli.start.dir.Write("shelf/Willow/Willow.m3u", "w1.iso\r\nw2.iso\r\n");

    EXPECT_EQ(cli.Run({"make-db", "shelf"}), CLI_OK) << cli.err.str();
    EXPECT_TRUE(Contains(cli.out.str(), "\r\nClone#" + HexForm(HeaderChecksum(clone)) + "#0\r\n"))
        << cli.out.str();
    EXPECT_TRUE(Contains(cli.out.str(), "\r\nCued#" + HexForm(HeaderChecksum(cued)) + "#0\r\n"))
        << cli.out.str();
    EXPECT_FALSE(Contains(cli.err.str(), "make-db")) << cli.err.str();

    std::string database = "1\r\n";
    for (const auto& [title, header] :
         std::vector<std::pair<std::string, HeaderBlock>>{{"Clone Disc", clone},
                                                          {"Cued Disc", cued},
                                                          {"Duo (Disc 1)", first},
                                                          {"Duo (Disc 2)", second},
                                                          {"Willow (Disc 1)", willow1},
                                                          {"Willow (Disc 2)", willow2}})
        database += title + "#" + HexForm(HeaderChecksum(header)) + "#0\r\n";
    cli.start.dir.Write("DATA.KVX", database);
    ASSERT_EQ(cli.Run({"toggle", "fixcue", "on"}), CLI_OK);
    ASSERT_EQ(cli.Run({"toggle", "cue", "on"}), CLI_OK);
    const Lines before = cli.start.dir.Snapshot();
    const size_t changesBefore = cli.spy.Changes().size();
    ASSERT_EQ(cli.Run({"mass", "--dry-run", "shelf"}), CLI_OK);
    EXPECT_EQ(cli.start.dir.Snapshot(), before);
    Lines plan;
    for (const std::string& line : OutputLines(cli.out.str()))
        if (line.starts_with("would ")) plan.push_back(line.substr(6));
    const std::string shelf = cli.start.dir / "shelf";
    for (const std::string& expected :
         {"rename " + shelf + "/Clone/game.ccd -> " + shelf + "/Clone/Clone_Disc.ccd",
          "rename " + shelf + "/Clone/game.sub -> " + shelf + "/Clone/Clone_Disc.sub",
          "write " + shelf + "/Duo/Duo.m3u", "write " + shelf + "/Willow/Willow.m3u"})
        EXPECT_NE(std::find(plan.begin(), plan.end(), expected), plan.end()) << expected;
    for (const std::string& line : plan) EXPECT_FALSE(Contains(line, ".cartovex-journal")) << line;

    ASSERT_EQ(cli.Run({"mass", "shelf"}), CLI_OK);
    EXPECT_EQ(plan, testkit::ChangesLeftBehind(cli.spy, changesBefore));
    EXPECT_EQ(cli.start.dir.Read("shelf/Duo/Duo.m3u"), "Duo_(Disc_1).CUE\r\nDuo_(Disc_2).CUE\r\n");
    EXPECT_EQ(cli.start.dir.Read("shelf/Willow/Willow.m3u"),
              "Willow_(Disc_1).iso\r\nWillow_(Disc_2).iso\r\n");
    EXPECT_TRUE(cli.start.dir.Exists("shelf/Floppy/boot.img"));
    EXPECT_TRUE(cli.start.dir.Exists("shelf/Clone_Disc/Clone_Disc.img"));
}

#if CARTOVEX_TEST_JSON

// A JSON string back to the header's bytes: every character is one Latin-1 byte.
std::string Latin1(const std::string& utf8) {
    std::string bytes;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
            ++i;
        }
    }
    return bytes;
}

TEST(AnalyseJson, OneValidObjectPerImageWhateverBytesTheHeaderHolds) {
    if (!JsonOutputSupported()) GTEST_SKIP() << "built without JSON";
    Cli cli;
    testkit::HeaderSpec odd;
    odd.localName = std::string("Q\"uote\\back\0nul\x01\x7F\xE9t\xE9\xFF", 20);
    odd.copyrightInfo = "(C)SEGA 1994.\x80\x9F\xA0";
    const HeaderBlock oddHeader = testkit::BuildHeader(odd);
    const HeaderBlock known = Disc("KNOWN GAME");
    cli.start.dir.Write("odd/odd.iso", testkit::CookedImage(oddHeader));
    cli.start.dir.Write("known/Known.bin", testkit::RawImage(known));
    cli.start.dir.Write("known/Known 02.mp3", testkit::Mp3Track(2));
    cli.start.dir.Write("notes.iso", "just notes");
    cli.start.dir.Write("DATA.KVX", "1\r\nKnown Game#" + HexForm(HeaderChecksum(known)) + "#2\r\n");

    // Relative paths stay relative to the start folder, though each analysis moves into its image's.
    EXPECT_EQ(cli.Run({"analyse", "--json", "odd/odd.iso", "known/Known.bin", "notes.iso"}),
              CLI_NOT_IDENTIFIED);
    const Lines lines = OutputLines(cli.out.str());
    ASSERT_EQ(lines.size(), 3u) << cli.out.str();
    std::vector<nlohmann::json> objects;
    for (const std::string& line : lines) {
        ASSERT_NO_THROW(objects.push_back(nlohmann::json::parse(line))) << line;
        EXPECT_TRUE(IsValidUtf8(line));
    }

    const nlohmann::json& first = objects[0];
    EXPECT_EQ(first["path"], "odd/odd.iso");
    EXPECT_EQ(first["accepted"], true);
    EXPECT_EQ(Latin1(first["header"]["localName"]), LocalName(oddHeader));
    EXPECT_EQ(Latin1(first["header"]["copyrightInfo"]), CopyrightInfo(oddHeader));
    EXPECT_EQ(first["crc32"], HexForm(HeaderChecksum(oddHeader)));
    EXPECT_TRUE(first["title"].is_null());
    EXPECT_EQ(first["displayName"], "NOT IN DATABASE");

    const nlohmann::json& second = objects[1];
    EXPECT_EQ(second["title"], "Known Game");
    EXPECT_EQ(second["imageFormat"], "BIN+MP3");
    EXPECT_EQ(second["audioTracks"], 1);
    EXPECT_EQ(second["missingTracks"], true);
    EXPECT_EQ(second["dupe"], false);
    EXPECT_EQ(second["header"]["systemVersion"], "100");

    EXPECT_EQ(objects[2],
              nlohmann::json::parse(R"({"path":"notes.iso","accepted":false,)"
                                    R"("message":"This is not a Sega CD Image! File will be ignored."})"));
}

#endif

// A folder shared by several discs names none of them: each takes its sheet's name (else its
// image's). A set's audio tracks are no images of their own and go by without a word.
TEST(MakeDb, DiscsSharingAFolderAreNamedByTheirSheetsAndTheirAudioIsQuiet) {
    Cli cli;
    const HeaderBlock first = Disc("FIRST"), second = Disc("SECOND"), solo = Disc("SOLO"),
                      loose = Disc("LOOSE");
    Files& files = cli.program.files();
    testkit::WriteMultiTrackSet(files, cli.start.dir.MakeFolder("shelf/Both"), "First_(Disc A)",
                                testkit::RawImage(first), 2, 1);
    testkit::WriteMultiTrackSet(files, cli.start.dir.MakeFolder("shelf/Both"), "Second (Disc B)",
                                testkit::RawImage(second), 1, 2);
    cli.start.dir.Write("shelf/Both/Loose_Disc.iso", testkit::CookedImage(loose));
    testkit::WriteMultiTrackSet(files, cli.start.dir.MakeFolder("shelf/Solo Disc"), "solo",
                                testkit::RawImage(solo), 3, 3);

    EXPECT_EQ(cli.Run({"make-db", "shelf"}), CLI_OK) << cli.err.str();
    EXPECT_EQ(cli.out.str(), "1\r\nFirst (Disc A)#" + HexForm(HeaderChecksum(first)) + "#2\r\nLoose Disc#" +
                                 HexForm(HeaderChecksum(loose)) + "#0\r\nSecond (Disc B)#" +
                                 HexForm(HeaderChecksum(second)) + "#1\r\nSolo Disc#" +
                                 HexForm(HeaderChecksum(solo)) + "#3\r\n");
    EXPECT_FALSE(Contains(cli.err.str(), "make-db")) << cli.err.str();
}

TEST(MakeDb, EveryImageOnceByNameAndTheDatabaseLoadsBackAndIdentifiesThem) {
    Cli cli;
    const HeaderBlock one = Disc("ONE"), two = Disc("TWO");
    cli.start.dir.Write("shelf/Game_One/one.iso", testkit::CookedImage(one));
    cli.start.dir.Write("shelf/Another Game/two.bin", testkit::RawImage(two));
    cli.start.dir.Write("shelf/Another Game/two 02.mp3", testkit::Mp3Track(2));
    cli.start.dir.Write("shelf/Another Game/two 03.mp3", testkit::Mp3Track(3));
    cli.start.dir.Write("shelf/Zed Copy/copy.iso", testkit::CookedImage(one));
    cli.start.dir.Write("shelf/Bad#Name/bad.iso", testkit::CookedImage(Disc("BAD")));
    cli.start.dir.Write("shelf/Junk/notes.iso", "notes");
    const Lines before = cli.start.dir.Snapshot();

    EXPECT_EQ(cli.Run({"make-db", "shelf"}), CLI_NOT_IDENTIFIED);
    const std::string database = cli.out.str();
    EXPECT_EQ(database, "1\r\nAnother Game#" + HexForm(HeaderChecksum(two)) + "#2\r\nGame One#" +
                            HexForm(HeaderChecksum(one)) + "#0\r\n");
    Lines problems;
    for (const std::string& line : OutputLines(cli.err.str()))
        if (line.starts_with("cartovex-cli: make-db: ")) problems.push_back(line);
    ASSERT_EQ(problems.size(), 3u) << cli.err.str();
    EXPECT_TRUE(Contains(problems[0], "Bad#Name/bad.iso")) << problems[0];
    EXPECT_TRUE(Contains(problems[1], "notes.iso: This is not a Sega CD Image!")) << problems[1];
    EXPECT_TRUE(Contains(problems[2], "Zed Copy/copy.iso")) << problems[2];
    EXPECT_TRUE(Contains(problems[2], HexForm(HeaderChecksum(one)))) << problems[2];
    EXPECT_EQ(cli.start.dir.Snapshot(), before);

    cli.start.dir.Write("DATA.KVX", database);
    for (const auto& [image, name] : std::vector<std::pair<std::string, std::string>>{
             {"shelf/Game_One/one.iso", "Game One"}, {"shelf/Another Game/two.bin", "Another Game"}}) {
        EXPECT_EQ(cli.Run({"analyse", image}), CLI_OK) << image;
        EXPECT_EQ(cli.program.disc.displayName, name);
    }
}

TEST(ScriptingUsage, OptionsSelectTheirOwnRowAndNothingElse) {
    const std::vector<Lines> wrong = {
        {"analyse", "--json"},          {"analyse", "--dry-run", "x.iso"}, {"process", "--json", "x.iso"},
        {"process", "--dry-run"},       {"mass", "--dry-run", "a", "b"},   {"make-db"},
        {"analyse", "x.iso", "--json"}, {"make-db", "--dry-run", "a"},
    };
    for (const Lines& args : wrong) {
        Cli cli;
        EXPECT_EQ(cli.Run(args), CLI_USAGE) << args[0] << " " << args[1 % args.size()];
        EXPECT_EQ(cli.out.str(), "");
    }
}

}  // namespace
}  // namespace cartovex
