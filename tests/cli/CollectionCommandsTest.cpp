#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/CommandLine.h"
#include "platform/posix/PosixProcess.h"
#include "testkit/BuildPaths.h"
#include "testkit/ImageBuilder.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

class CollectionCommandsTest : public ::testing::Test {
protected:
    PosixProcess process;
    testkit::StartFolderProgram start{{nullptr, &process}};
    Program& program = start.program();
    CommandHandler handler{program};
    std::ostringstream out, err;
    CliContext context{program,
                       handler,
                       out,
                       err,
                       [this](std::string path) { start.test->dialogs.QueueOpenFile(std::move(path)); },
                       [this](std::string path) { start.test->dialogs.QueueFolder(std::move(path)); }};

    int Run(std::vector<std::string> args) { return RunCli(context, args); }

    void Database(const std::string& entries) { start.dir.Write("DATA.KVX", "5\r\n" + entries); }
};

TEST_F(CollectionCommandsTest, ScanTakesARelativeFolderFromTheCurrentOne) {
    Database("Game Title#0#0\r\nOther#0#0\r\n");
    start.dir.MakeFolder("games/Game_Title");
    EXPECT_EQ(Run({"scan", "games"}), CLI_OK);
    EXPECT_EQ(out.str(),
              "DEVELOPPER.KVX not found. Developper detection is disabled.\n"
              "You are missing 1 of 2 known Sega CD images from Cartovex list 5.\n");
    EXPECT_EQ(start.dir.Read("KVX_HAVE.TXT"),
              "You have 1 of 2 known Sega CD images from Cartovex list 5\r\n\r\nGame Title\r\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CollectionCommandsTest, MassPrintsItsRunAndEndsInTheFolder) {
    start.dir.Write("games/Disc/disc.iso", testkit::CookedImage(testkit::BuildHeader({}), 1));
    EXPECT_EQ(Run({"mass", "games"}), CLI_OK);
    const std::string folder = start.dir / "games";
    EXPECT_NE(out.str().find("Mass process engaged on folder : " + folder +
                             " ...\nOpened (disc.iso) Successfully!\n"
                             "Mass renaming of directory (" +
                             folder + ") finished!\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(program.files().CurrentDirectory(), folder);
}

TEST_F(CollectionCommandsTest, ConvertRunsOnlyWhereTheWindowWouldOfferIt) {
    std::filesystem::create_directories(start.dir / "convkvx");
    std::filesystem::copy_file(testkit::BinaryDir() + "/src/programs/convkvx110/convkvx110",
                               start.dir / "convkvx/convkvx110");
    const std::string image = testkit::CookedImage(testkit::BuildHeader({}), 1);
    start.dir.Write("games/disc.iso", image);
    start.dir.Write("games/disc.bin", image);
    start.dir.Write("games/notes.iso", "not an image");

    EXPECT_EQ(Run({"convert", "games/disc.iso", "j"}), CLI_OK);
    EXPECT_NE(out.str().find("Output : " + (start.dir / "games/(CONV to j)disc.iso") + "\n"),
              std::string::npos)
        << out.str();
    EXPECT_TRUE(start.dir.Exists("games/(CONV to j)disc.iso"));

    for (const char* rejected : {"games/disc.bin", "games/notes.iso"}) {
        err.str("");
        EXPECT_EQ(Run({"convert", rejected, "e"}), CLI_NOT_IDENTIFIED) << rejected;
        EXPECT_NE(err.str().find("can't be converted"), std::string::npos) << rejected;
    }
    EXPECT_FALSE(start.dir.Exists("games/(CONV to e)disc.bin"));

    // Without the converter the run fails, and says so in its exit status too.
    std::filesystem::remove(start.dir / "convkvx/convkvx110");
    EXPECT_EQ(Run({"convert", "games/disc.iso", "u"}), CLI_NOT_IDENTIFIED);
    EXPECT_FALSE(start.dir.Exists("games/(CONV to u)disc.iso"));
}

TEST_F(CollectionCommandsTest, UpdateReportsAnUnreachableSite) {
    EXPECT_EQ(Run({"update"}), CLI_OK);
    EXPECT_NE(out.str().find("Could not connect to update site!\n"), std::string::npos);
}

}  // namespace
}  // namespace cartovex
