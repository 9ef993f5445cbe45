#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "app/CommandLine.h"
#include "common/Text.h"
#include "testkit/CliRun.h"
#include "testkit/DemoCollection.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

class ProcessCommand : public ::testing::Test, protected testkit::CliRun {
protected:
    using testkit::CliRun::Run;

    void SetUp() override {
        auto written = testkit::WriteDemoCollection(program.files(), start.dir.Path());
        ASSERT_TRUE(written);
        demo = *written;
    }

    std::vector<std::string> Entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(start.dir / folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testkit::DemoCollection demo;
};

bool Identified(const testkit::DemoDisc& disc) {
    return disc.displayName != "NOT IN DATABASE" && disc.displayName != "CONVERTED IMAGE";
}

TEST_F(ProcessCommand, AnalyseTellsIdentifiedImagesByItsExitStatus) {
    for (const testkit::DemoDisc& disc : demo.discs) {
        SCOPED_TRACE(disc.imagePath);
        EXPECT_EQ(Run({"analyse", disc.imagePath}), Identified(disc) ? CLI_OK : CLI_NOT_IDENTIFIED);
        EXPECT_NE(out.str().find("\n" + disc.displayName + "\n"), std::string::npos);
    }
}

TEST_F(ProcessCommand, EachIdentifiedImagesFolderTakesItsTitleAndUnknownOnesStayAsTheyAre) {
    ASSERT_EQ(Run({"toggle", "fixcue", "on"}), CLI_OK);
    for (const testkit::DemoDisc& disc : demo.discs) {
        SCOPED_TRACE(disc.imagePath);
        const std::string folder = disc.imagePath.substr(0, disc.imagePath.rfind('/'));
        const std::vector<std::string> before = Entries(folder);
        if (!Identified(disc)) {
            EXPECT_EQ(Run({"process", disc.imagePath}), CLI_NOT_IDENTIFIED);
            EXPECT_EQ(Entries(folder), before);
            continue;
        }
        EXPECT_EQ(Run({"process", disc.imagePath}), CLI_OK);
        EXPECT_TRUE(out.str().ends_with("Process done.\n")) << out.str();

        std::string title = disc.displayName;
        std::replace(title.begin(), title.end(), ' ', '_');
        const std::string extension = AsciiLower(disc.imagePath.substr(disc.imagePath.size() - 3));
        std::vector<std::string> expected{title + "." + extension, "KVX_INFO.TXT"};
        // A container gets no sheet, and a CHD keeps its tracks inside.
        const bool ownSheet = disc.layout == "BIN+CUE" || disc.layout == "BIN/CUE set";
        if (ownSheet)
            expected.push_back(title + ".cue");
        else if (disc.layout != "ZIP" && disc.layout != "CHD")
            expected.push_back(title + ".CUE");
        const std::string trackExtension = Contains(disc.layout, "WAV")   ? ".wav"
                                           : disc.layout == "BIN/CUE set" ? ".bin"
                                                                          : ".mp3";
        if (disc.layout != "BIN+CUE" && disc.layout != "CHD")
            for (int track = 2; track < disc.audioTracks + 2; ++track)
                expected.push_back(title + "_0" + std::to_string(track) + trackExtension);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Entries("collection/" + title), expected);
        EXPECT_FALSE(std::filesystem::exists(start.dir / folder));
    }
}

}  // namespace
}  // namespace cartovex
