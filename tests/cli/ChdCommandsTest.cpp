// CHD images through every command that takes images, with CHDs chdman makes during the test.
#include <gtest/gtest.h>

#if __has_include(<nlohmann/json.hpp>)
#include <nlohmann/json.hpp>
#define CARTOVEX_TEST_JSON 1
#endif

#include "app/JsonReport.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Chdman.h"
#include "testkit/CliRun.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"

namespace cartovex {
namespace {

using Lines = std::vector<std::string>;
using testkit::OutputLines;

HeaderBlock Disc(const std::string& title) {
    testkit::HeaderSpec fields;
    fields.localName = title;
    return testkit::BuildHeader(fields);
}

// A CHD of a raw set with `audioTracks` audio tracks, made apart and handed over as its bytes.
std::string ChdOf(const HeaderBlock& header, int audioTracks) {
    PosixFiles files;
    testkit::TempFolder work;
    const auto chd = testkit::MakeChdOfRawSet(files, work.Path(), "Set", header, audioTracks);
    return chd ? work.Read("Set.chd") : std::string();
}

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class ChdCommands : public ::testing::Test {
protected:
    void SetUp() override {
        CARTOVEX_REQUIRE_CHDMAN();
        azure = ChdOf(Disc("AZURE TIDE RACER"), 3);
        ASSERT_FALSE(azure.empty());
        ASSERT_EQ(cli.Run({"toggle", "underscore", "off"}), CLI_OK);
        cli.start.dir.Write("DATA.KVX", "1\r\nAzure Tide Racer#" +
                                            HexForm(HeaderChecksum(Disc("AZURE TIDE RACER"))) + "#3\r\n");
    }

    testkit::CliRun cli;
    std::string azure;
};

// The CHD tells its format and tracks; the loose BIN+CUE set and the MP3 beside it are not its own,
// and processing leaves them alone: one file renamed, no sheet written or repaired, and the folder,
// which holds another disc, keeps its name.
TEST_F(ChdCommands, AnalyseAndProcessJudgeACHDByItsOwnTracksAndRenameItAlone) {
    testkit::TempFolder& dir = cli.start.dir;
    dir.Write("shelf/Downloads/Azure Tide Racer (USA).chd", azure);
    dir.Write("shelf/Downloads/Bonus 02.mp3", testkit::Mp3Track(2));
    dir.Write("shelf/Downloads/Other.bin", testkit::RawImage(Disc("OTHER")));
    dir.Write("shelf/Downloads/Other.cue", testkit::CueSheet("Other.bin", 1));
    for (const char* toggle : {"log", "cue", "folder", "fixcue"})
        ASSERT_EQ(cli.Run({"toggle", toggle, "on"}), CLI_OK);

    ASSERT_EQ(cli.Run({"analyse", "shelf/Downloads/Azure Tide Racer (USA).chd"}), CLI_OK) << cli.out.str();
    const Lines analysis = OutputLines(cli.out.str());
    EXPECT_TRUE(Has(analysis, "Azure Tide Racer"));
    EXPECT_TRUE(Has(analysis, "Image Format        : CHD (BIN+CUE)"));
    EXPECT_TRUE(Has(analysis, "Audio Track(s)      : 3"));
    EXPECT_FALSE(Has(analysis, "BIN+CUE detected! CUE generation has been turned off."));

    const std::vector<std::string> before = {dir.Read("shelf/Downloads/Other.cue"),
                                             dir.Read("shelf/Downloads/Bonus 02.mp3")};
    ASSERT_EQ(cli.Run({"process", "shelf/Downloads/Azure Tide Racer (USA).chd"}), CLI_OK) << cli.out.str();
    EXPECT_TRUE(dir.Read("shelf/Downloads/Azure Tide Racer.chd") == azure) << cli.out.str();
    EXPECT_EQ(dir.Read("shelf/Downloads/Other.cue"), before[0]);
    EXPECT_EQ(dir.Read("shelf/Downloads/Bonus 02.mp3"), before[1]);
    EXPECT_FALSE(dir.Exists("shelf/Downloads/Azure Tide Racer.CUE"));
    EXPECT_FALSE(dir.Exists("shelf/Downloads/Azure Tide Racer.cue"));
    EXPECT_TRUE(Contains(dir.Read("shelf/Downloads/KVX_INFO.TXT"), "Image Format        : CHD (BIN+CUE)"));
    const Lines processing = OutputLines(cli.out.str());
    EXPECT_FALSE(Has(processing, "CUE sheet could not be written."));
    EXPECT_FALSE(Has(processing, "Fixing of BIN/CUE cue sheet finished."));
    EXPECT_TRUE(Has(processing, "Folder not renamed, it holds another disc."));
}

TEST_F(ChdCommands, MassProcessingListsCHDsAndSaysWhyADamagedOneIsIgnored) {
    testkit::TempFolder& dir = cli.start.dir;
    dir.Write("mass/a/azure.chd", azure);
    std::string damaged = azure;
    damaged.resize(damaged.size() - 10);  // the compressed map is at the end
    dir.Write("mass/b/cut.chd", damaged);
    dir.Write("mass/c/unknown.chd", ChdOf(Disc("NOBODY KNOWS"), 1));
    ASSERT_EQ(cli.Run({"toggle", "folder", "on"}), CLI_OK);

    cli.Run({"mass", "mass"});
    const Lines lines = OutputLines(cli.out.str());
    EXPECT_TRUE(Has(lines, "Opened (azure.chd) Successfully!"));
    EXPECT_TRUE(Has(lines, "Could not read cut.chd (its map lies outside the file)! File will be ignored."));
    EXPECT_TRUE(Has(lines, "Opened (unknown.chd) Successfully!"));
    EXPECT_TRUE(dir.Exists("mass/Azure Tide Racer/Azure Tide Racer.chd"));
    EXPECT_TRUE(dir.Exists("mass/b/cut.chd"));
    // Alone, it ends the analysis with the same line and exit status 1.
    EXPECT_EQ(cli.Run({"analyse", "mass/b/cut.chd"}), CLI_NOT_IDENTIFIED);
    EXPECT_EQ(OutputLines(cli.out.str()).back(),
              "Could not read cut.chd (its map lies outside the file)! File will be ignored.");
    EXPECT_TRUE(dir.Exists("mass/c/unknown.chd"));
}

TEST_F(ChdCommands, MakeDbTakesACHDWithTheTracksOfItsList) {
    cli.start.dir.Write("shelf/Star Quest/Star Quest.chd", ChdOf(Disc("STAR QUEST"), 2));
    cli.start.dir.Write("shelf/Broken/broken.chd",
                        std::string("MComprHD\0\0\0\x7C\0\0\0\x05", 16) + "and no more");
    EXPECT_EQ(cli.Run({"make-db", "shelf"}), CLI_NOT_IDENTIFIED);
    EXPECT_EQ(cli.out.str(), "1\r\nStar Quest#" + HexForm(HeaderChecksum(Disc("STAR QUEST"))) + "#2\r\n");
    EXPECT_TRUE(Contains(cli.err.str(), "broken.chd: Could not read broken.chd (it is cut short)!"))
        << cli.err.str();
}

TEST_F(ChdCommands, ADryRunPlansExactlyWhatProcessingTheChdDoes) {
    cli.start.dir.Write("in/Azure.chd", azure);
    cli.start.dir.Write("in/Azure 02.mp3", testkit::Mp3Track(2));
    ASSERT_EQ(cli.Run({"toggle", "folder", "on"}), CLI_OK);
    const Lines before = cli.start.dir.Snapshot();
    const size_t changesBefore = cli.spy.Changes().size();
    ASSERT_EQ(cli.Run({"process", "--dry-run", "in/Azure.chd"}), CLI_OK);
    EXPECT_EQ(cli.start.dir.Snapshot(), before);
    Lines plan;
    for (const std::string& line : OutputLines(cli.out.str()))
        if (line.starts_with("would ")) plan.push_back(line.substr(6));

    ASSERT_EQ(cli.Run({"process", "in/Azure.chd"}), CLI_OK);
    const Lines done = testkit::ChangesLeftBehind(cli.spy, changesBefore);
    EXPECT_EQ(plan, done);
    // The image and the folder move; the MP3 is not the CHD's and keeps its name.
    EXPECT_TRUE(cli.start.dir.Exists("Azure Tide Racer/Azure Tide Racer.chd"));
    EXPECT_TRUE(cli.start.dir.Exists("Azure Tide Racer/Azure 02.mp3"));
}

#if CARTOVEX_TEST_JSON

TEST_F(ChdCommands, JsonTellsTheChdsFormatAndTracksOrWhyItWasRefused) {
    if (!JsonOutputSupported()) GTEST_SKIP() << "built without JSON";
    cli.start.dir.Write("a.chd", azure);
    cli.start.dir.Write("b.chd", "not a CHD at all");
    EXPECT_EQ(cli.Run({"analyse", "--json", "a.chd", "b.chd"}), CLI_NOT_IDENTIFIED);
    const Lines lines = OutputLines(cli.out.str());
    ASSERT_EQ(lines.size(), 2u) << cli.out.str();
    const auto found = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(found["imageFormat"], "CHD (BIN+CUE)");
    EXPECT_EQ(found["audioTracks"], 3);
    EXPECT_EQ(found["crc32"], HexForm(HeaderChecksum(Disc("AZURE TIDE RACER"))));
    EXPECT_EQ(found["title"], "Azure Tide Racer");
    EXPECT_EQ(found["missingTracks"], false);
    EXPECT_EQ(nlohmann::json::parse(lines[1])["message"],
              "Could not read b.chd (it is not a CHD file)! File will be ignored.");
}

#endif

}  // namespace
}  // namespace cartovex
