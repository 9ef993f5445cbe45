#include <gtest/gtest.h>

#include "outputs/Playlist.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

class PlaylistUpdates : public ::testing::Test {
protected:
    void SetUp() override { files.SetCurrentDirectory(folder.Path()); }
    std::vector<SheetUpdate> Plan(const std::vector<RenameStep>& renames) {
        notes.clear();
        return PlanPlaylistUpdates(files, renames, &notes);
    }

    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder folder;
    PosixFiles files;
    std::vector<std::string> notes;
};

TEST_F(PlaylistUpdates, OnlyTheRenamedNamesChangeAndEveryOtherByteStays) {
    const std::string text = "\xEF\xBB\xBF#EXTM3U\r\n  w (disc 1).CUE\t\nW (Disc 2).cue\rOther.cue\r\n";
    folder.Write("Willow.m3u", text);
    folder.Write("Untouched.m3u", "Other.cue\n");
    const auto updates = Plan({{"W (Disc 1).cue", "W_1.cue"}, {"W (Disc 2).cue", "W_2.cue"}});
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].first, "Willow.m3u");
    EXPECT_EQ(updates[0].second, "\xEF\xBB\xBF#EXTM3U\r\n  W_1.cue\t\nW_2.cue\rOther.cue\r\n");
    EXPECT_TRUE(notes.empty());
    // Nothing renamed, nothing read and nothing said.
    EXPECT_TRUE(Plan({}).empty());
}

TEST(SplitDiscMarker, OnlyAMarkerAtTheEndOfARealTitleCounts) {
    struct Case {
        const char* title;
        std::optional<std::string> base;
        bool letter;
        int order;
    };
    const std::vector<Case> cases = {
        {"Willow Saga (USA) (Disc 1)", "Willow Saga (USA)", false, 1},
        {"Willow_Saga_(USA)_(Disc_12)", "Willow_Saga_(USA)", false, 12},
        {"First (Disc B)", "First", true, 2},
        {"Willow_Saga_(USA)_(Disc_2)(DUPE)(MISSING_AUDIO_TRACKS)", "Willow_Saga_(USA)", false, 2},
        {"Willow (Disc 1) Saga (USA)", std::nullopt, false, 0},  // in the middle
        {"(Disc 1)", std::nullopt, false, 0},                    // only a marker
        {"_(Disc_1)", std::nullopt, false, 0},
        {"Willow (Disc_1)", std::nullopt, false, 0},  // two separators
        {"Willow (Disc one)", std::nullopt, false, 0},
        {"Willow (Disc a)", std::nullopt, false, 0},
        {"Willow(Disc 1)", std::nullopt, false, 0},
        {"Willow (Disc 1234)", std::nullopt, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const auto marker = SplitDiscMarker(c.title);
        ASSERT_EQ(marker.has_value(), c.base.has_value());
        if (!marker) continue;
        EXPECT_EQ(marker->base, *c.base);
        EXPECT_EQ(marker->letter, c.letter);
        EXPECT_EQ(marker->order, c.order);
    }
}

}  // namespace
}  // namespace cartovex
