#include <gtest/gtest.h>

#include "platform/PlanningFiles.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

class Planning : public ::testing::Test {
protected:
    void SetUp() override {
        dir.Write("Old Name/game.bin", "GAME");
        dir.Write("Old Name/track 02.mp3", "TRACK");
        dir.Write("other.txt", "OTHER");
        before = dir.Snapshot();
        ASSERT_TRUE(plan.SetCurrentDirectory(dir.Path()));
    }

    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder dir;
    PosixFiles real;
    std::vector<std::string> lines;
    PlanningFiles plan{real, [this](const std::string& line) { lines.push_back(line); }};
    std::vector<std::string> before;
};

// A run renames inside a folder, writes there, then renames the folder and goes on inside it: every
// later question sees the planned state, and the disc is never touched.
TEST_F(Planning, LaterStepsSeeEarlierOnesAndTheDiscStaysAsItWas) {
    ASSERT_TRUE(plan.SetCurrentDirectory("Old Name"));
    ASSERT_TRUE(plan.Rename("game.bin", "Title.bin"));
    ASSERT_TRUE(plan.WriteFile("KVX_INFO.TXT", "REPORT"));
    ASSERT_TRUE(plan.SetCurrentDirectory(".."));
    ASSERT_TRUE(plan.Rename(dir / "Old Name", dir / "Title"));
    EXPECT_FALSE(plan.SetCurrentDirectory("Old Name"));
    ASSERT_TRUE(plan.SetCurrentDirectory("Title"));

    EXPECT_EQ(plan.ListCurrentFolder("*"),
              (std::vector<std::string>{"KVX_INFO.TXT", "Title.bin", "track 02.mp3"}));
    EXPECT_EQ(plan.ReadFile("Title.bin"), "GAME");
    EXPECT_EQ(plan.ReadFile("KVX_INFO.TXT"), "REPORT");
    EXPECT_FALSE(plan.Exists(dir / "Old Name/game.bin"));
    EXPECT_EQ(
        plan.ListFilesRecursive(dir.Path(), {"bin", "txt"}),
        (std::vector<std::string>{dir / "other.txt", dir / "Title/KVX_INFO.TXT", dir / "Title/Title.bin"}));

    ASSERT_TRUE(plan.DeleteFile("track 02.mp3"));
    EXPECT_EQ(plan.ListCurrentFolder("*.mp3"), std::vector<std::string>{});
    EXPECT_FALSE(plan.FileLength("track 02.mp3"));

    EXPECT_EQ(lines, (std::vector<std::string>{
                         "would rename " + dir / "Old Name/game.bin" + " -> " + dir / "Old Name/Title.bin",
                         "would write " + dir / "Old Name/KVX_INFO.TXT",
                         "would rename " + dir / "Old Name" + " -> " + dir / "Title",
                         "would delete " + dir / "Title/track 02.mp3",
                     }));
    EXPECT_EQ(dir.Snapshot(), before);
}

TEST_F(Planning, WhatTheRealCallWouldRefuseIsRefusedAndNotPlanned) {
    EXPECT_FALSE(plan.Rename("other.txt", "Old Name"));  // never replaces
    EXPECT_FALSE(plan.Rename("missing.txt", "new.txt"));
    EXPECT_FALSE(plan.Rename("Old Name", "Old Name/inside"));  // into itself
    EXPECT_FALSE(plan.WriteFile("no folder/file.txt", "x"));
    EXPECT_FALSE(plan.WriteFile("Old Name", "x"));  // a folder in the way
    EXPECT_FALSE(plan.DeleteFile("Old Name"));
    EXPECT_TRUE(plan.Rename("other.txt", "other.txt"));  // its own name: nothing to do
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(dir.Snapshot(), before);
}

}  // namespace
}  // namespace cartovex
