#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/CommandLine.h"
#include "state/MenuModel.h"
#include "testkit/BuildPaths.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

std::string SampleFile(const std::string& name) {
    std::ifstream in(testkit::SourceDir() + "/data/" + name, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class CommandLineTest : public ::testing::Test {
protected:
    testkit::StartFolderProgram start;
    Program& program = start.program();
    CommandHandler handler{program};
    std::ostringstream out, err;
    std::vector<std::string> openAnswers, folderAnswers;
    CliContext context{program,
                       handler,
                       out,
                       err,
                       [this](std::string path) { openAnswers.push_back(path); },
                       [this](std::string path) { folderAnswers.push_back(path); }};

    void CopySampleData() {
        for (const char* name : {"Cartovex.ini", "DATA.KVX", "DEVELOPPER.KVX"}) {
            std::string bytes = SampleFile(name);
            ASSERT_FALSE(bytes.empty()) << name;
            start.dir.Write(name, bytes);
        }
    }

    int Run(std::vector<std::string> args) { return RunCli(context, args); }
};

// The pane's text as the terminal shows it: one line per appended line.
std::string AsPrinted(const std::string& paneText) {
    std::string printed;
    for (const std::string& line : testkit::PaneLines(paneText.substr(2))) printed += line + "\n";
    return printed;
}

TEST_F(CommandLineTest, AboutPrintsTheAboutTextWithTheSampleVersions) {
    CopySampleData();
    EXPECT_EQ(Run({"about"}), CLI_OK);
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str(), AsPrinted(program.pane.Text()));
    EXPECT_EQ(out.str().rfind("    By\n", 0), 0u);
    EXPECT_NE(out.str().find("        Header Database (DATA.KVX) version       : 3 (4 entries)\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("        Developper List (DEVELOPPER.KVX) version : 7\n"), std::string::npos);
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
}

TEST_F(CommandLineTest, LoadMessagesArePrintedBeforeTheCommand) {
    EXPECT_EQ(Run({"view", "miss"}), CLI_OK);
    EXPECT_EQ(out.str(),
              "DEVELOPPER.KVX not found. Developper detection is disabled.\n"
              "DATA.KVX not found. Rename feature will be disabled.\n"
              "KVX_MISS.TXT is missing.\n");
}

TEST_F(CommandLineTest, ViewPrintsTheListOrItsAbsence) {
    CopySampleData();
    EXPECT_EQ(Run({"view", "miss"}), CLI_OK);
    EXPECT_EQ(out.str(), "KVX_MISS.TXT is missing.\n");

    out.str("");
    start.dir.Write("KVX_HAVE.TXT", "Paper Comet (USA)\r\nLantern Keep (Europe)\r\n");
    EXPECT_EQ(Run({"view", "have"}), CLI_OK);
    EXPECT_EQ(out.str(), "Paper Comet (USA)\nLantern Keep (Europe)\n");
}

TEST_F(CommandLineTest, ToggleSetsTheMarkAndSavesTheSettings) {
    CopySampleData();
    EXPECT_EQ(Run({"toggle", "underscore", "off"}), CLI_OK);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(start.dir.Read("Cartovex.ini"),
              "UpdateSite=updates.cartovex.example\r\nTOGGLE_RENAMEFOLDER=on\r\nTOGGLE_GENERATELOG=on\r\n"
              "TOGGLE_GENERATECUE=on\r\nTOGGLE_FIXBINCUESHEET=off\r\nTOGGLE_UNDERSCORE=off\r\n");
    // Setting, not flipping: a second run leaves it off.
    EXPECT_EQ(Run({"toggle", "underscore", "off"}), CLI_OK);
    EXPECT_NE(start.dir.Read("Cartovex.ini").find("TOGGLE_UNDERSCORE=off\r\n"), std::string::npos);
    EXPECT_EQ(Run({"toggle", "fixcue", "on"}), CLI_OK);
    EXPECT_NE(start.dir.Read("Cartovex.ini").find("TOGGLE_FIXBINCUESHEET=on\r\n"), std::string::npos);
}

TEST_F(CommandLineTest, EveryToggleNameReachesItsMenuItem) {
    for (const ToggleInfo& toggle : Toggles()) {
        SCOPED_TRACE(toggle.cliName);
        EXPECT_EQ(Run({"toggle", std::string(toggle.cliName), "off"}), CLI_OK);
        EXPECT_EQ(start.window().MenuItemState(toggle.commandId), MENU_ENABLED);
        EXPECT_NE(start.dir.Read("Cartovex.ini").find(std::string(toggle.settingsKey) + "=off"),
                  std::string::npos);
    }
}

TEST_F(CommandLineTest, UsageErrorsGoToStandardErrorAndRunNothing) {
    CopySampleData();
    const std::string settings = start.dir.Read("Cartovex.ini");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"bogus"},
        {"About"},
        {"about", "extra"},
        {"view"},
        {"view", "all"},
        {"view", "HAVE"},
        {"toggle", "log"},
        {"toggle", "log", "maybe"},
        {"toggle", "sound", "on"},
        {"toggle", "log", "on", "now"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
        out.str("");
        err.str("");
        EXPECT_EQ(Run(args), CLI_USAGE);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
        EXPECT_EQ(program.pane.Text(), "");
    }
    EXPECT_EQ(start.dir.Read("Cartovex.ini"), settings);
}

TEST_F(CommandLineTest, RelativePathsAreMadeAbsolute) {
    EXPECT_EQ(AbsolutePath(program, "images/disc.iso"), program.StartFile("images/disc.iso"));
    EXPECT_EQ(AbsolutePath(program, "/srv/disc.iso"), "/srv/disc.iso");
    EXPECT_EQ(AbsolutePath(program, ""), "");
}

}  // namespace
}  // namespace cartovex
