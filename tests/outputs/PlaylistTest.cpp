#include <gtest/gtest.h>

#include "outputs/Playlist.h"

namespace cartovex {
namespace {

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
