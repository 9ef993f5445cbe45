#include <gtest/gtest.h>

#include <filesystem>

#include "collection/Collection.h"
#include "disc/Analysis.h"
#include "platform/posix/PosixProcess.h"
#include "state/MenuModel.h"
#include "testkit/BuildPaths.h"
#include "testkit/DemoCollection.h"
#include "testkit/FakeProcess.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

std::vector<std::string> LastLines(const Program& program, size_t count) {
    std::vector<std::string> lines = PaneLines(program.pane.Text());
    return {lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())), lines.end()};
}

class RegionConversionTest : public ::testing::Test {
protected:
    testkit::RecordingProcess process;
    testkit::StartFolderProgram start{{nullptr, &process}};
    testkit::TempFolder images;
    Program& program = start.program();

    // DiscInfo as an analysis of `folder`/`file` leaves it.
    void Analysed(const std::string& folder, const std::string& file) {
        program.disc.folderPath = folder;
        program.disc.fileName = file;
        program.disc.folderName = folder.substr(folder.rfind('/') + 1);
    }

    // The converter's part: the copy appears at the path after "-o".
    void ConverterWritesItsOutput() {
        process.onRun = [](const testkit::ProcessStart& s) {
            ASSERT_GE(s.arguments.size(), 2u);
            std::filesystem::copy_file(s.arguments.back(), s.arguments[1]);
        };
    }
};

TEST_F(RegionConversionTest, StartsTheConverterWithTheWholePathsAndReportsTheOutput) {
    const std::string folder = images.MakeFolder("Game");
    images.Write("Game/game.iso", "image");
    Analysed(folder, "game.iso");
    ConverterWritesItsOutput();

    ConvertRegion(program, "u");

    const std::string output = folder + "/(CONV to u)game.iso";
    ASSERT_EQ(process.starts.size(), 1u);
    const testkit::ProcessStart& s = process.starts[0];
    EXPECT_EQ(s.program, "convkvx110");
    EXPECT_EQ(s.arguments, (std::vector<std::string>{"-o", output, "-d", "u", folder + "/game.iso"}));
    EXPECT_EQ(s.show, ShowState::Normal);
    EXPECT_EQ(s.workingFolder, program.startFolder + "/convkvx");
    EXPECT_EQ(LastLines(program, 2),
              (std::vector<std::string>{"Image Conversion Completed!!", "Output : " + output}));
    EXPECT_EQ(program.files().CurrentDirectory(), folder);
}

TEST_F(RegionConversionTest, LongPathsReachTheConverterUncut) {
    std::string deep = "x";
    for (int i = 0; i < 6; ++i) deep += "/" + std::string(60, 'a' + i);
    const std::string folder = images.MakeFolder(deep);
    images.Write(deep + "/long name.iso", "image");
    Analysed(folder, "long name.iso");
    ConverterWritesItsOutput();
    ConvertRegion(program, "j");
    ASSERT_EQ(process.starts.size(), 1u);
    EXPECT_GT(process.starts[0].arguments[1].size(), 256u);
    EXPECT_EQ(process.starts[0].arguments[1], folder + "/(CONV to j)long name.iso");
    EXPECT_EQ(LastLines(program, 1)[0], "Output : " + folder + "/(CONV to j)long name.iso");
}

TEST_F(RegionConversionTest, AFailedConversionIsNeverReportedAsDone) {
    const std::string folder = images.MakeFolder("Game");
    images.Write("Game/game.iso", "image");
    Analysed(folder, "game.iso");
    struct Case {
        const char* what;
        std::optional<int> status;
        bool writesOutput;
        std::string line;
    };
    const Case cases[] = {
        {"missing converter", std::nullopt, false,
         "Image Conversion failed! The converter could not be started from " + program.startFolder +
             "/convkvx."},
        {"converter error", 1, false, "Image Conversion failed!"},
        // An old copy from an earlier run stays, but this run failed.
        {"error with an old copy", 1, true, "Image Conversion failed!"},
        {"no output written", 0, false, "Image Conversion failed!"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder + "/(CONV to e)game.iso");
        if (c.writesOutput) images.Write("Game/(CONV to e)game.iso", "old copy");
        process.status = c.status;
        ConvertRegion(program, "e");
        EXPECT_EQ(LastLines(program, 1)[0], c.line) << c.what;
        EXPECT_EQ(program.pane.Text().find("Completed"), std::string::npos) << c.what;
        EXPECT_EQ(program.files().CurrentDirectory(), folder) << c.what;
    }
}

// Processing renames the folder after the title but leaves folderPath naming the old one.
TEST_F(RegionConversionTest, FollowsAFolderThatProcessingRenamed) {
    const std::string renamed = images.MakeFolder("Game Title");
    images.Write("Game Title/Game Title.iso", "image");
    Analysed(images / "GAME", "Game Title.iso");
    program.disc.folderName = "Game Title";
    ConverterWritesItsOutput();
    ConvertRegion(program, "e");
    ASSERT_EQ(process.starts.size(), 1u);
    EXPECT_EQ(process.starts[0].arguments.back(), renamed + "/Game Title.iso");
    EXPECT_EQ(LastLines(program, 1)[0], "Output : " + renamed + "/(CONV to e)Game Title.iso");
    EXPECT_EQ(program.files().CurrentDirectory(), renamed);
}

// The real converter, started the way the program starts it, and its copy analysed afterwards.
TEST(RegionConversionRoundTrip, ConvertedCopyShowsItsNewAndOriginalRegion) {
    PosixProcess process;
    testkit::StartFolderProgram start{{nullptr, &process}};
    Program& program = start.program();
    std::filesystem::create_directories(start.dir / "convkvx");
    std::filesystem::copy_file(testkit::BinaryDir() + "/src/programs/convkvx110/convkvx110",
                               start.dir / "convkvx/convkvx110");
    testkit::TempFolder images;
    auto demo = testkit::WriteDemoCollection(program.files(), images.Path());
    ASSERT_TRUE(demo);
    // The demo's reference files sit with the images; the program reads them from its start folder.
    for (const char* name : {"DATA.KVX", "DEVELOPPER.KVX"}) start.dir.Write(name, images.Read(name));
    HeaderDatabase& db = program.database;
    for (const std::string& entry : demo->databaseEntries)
        db.entries[static_cast<size_t>(db.count++)] = entry;

    program.disc.imagePath = images / "collection/Star Quest/Star Quest.iso";
    AnalyseImage(program);
    ASSERT_EQ(program.disc.displayName, "Star Quest");
    ASSERT_EQ(start.window().MenuItemState(CMD_TO_EUROPE), MENU_ENABLED);
    ConvertRegion(program, "e");
    const std::string output = images / "collection/Star Quest/(CONV to e)Star Quest.iso";
    ASSERT_EQ(LastLines(program, 1)[0], "Output : " + output);

    program.disc.imagePath = output;
    AnalyseImage(program);
    const std::string pane = program.pane.Text();
    EXPECT_EQ(program.disc.displayName, "CONVERTED IMAGE");
    EXPECT_NE(pane.find("Region Code         : E : Europe CONVERTED. Original Region : U"),
              std::string::npos);
    EXPECT_NE(images.Read("collection/Star Quest/Star Quest.iso"),
              images.Read("collection/Star Quest/(CONV to e)Star Quest.iso"));
}

}  // namespace
}  // namespace cartovex
