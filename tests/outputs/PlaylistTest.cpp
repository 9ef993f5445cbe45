#include <gtest/gtest.h>

#include "outputs/Playlist.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

// Playlists that are no plain list of names beside them are judged before a byte is changed.
TEST(ReadPlaylist, OnlyAPlainListOfNamesBesideItIsFollowed) {
    struct Case {
        const char* what;
        std::string text;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"names and comments", "#EXTM3U\r\nA (Disc 1).cue\r\n\r\n# note\r\nA (Disc 2).cue\r\n", ""},
        {"a byte-order mark and blanks around a name", "\xEF\xBB\xBF  A.cue \nB.cue", ""},
        {"binary bytes", std::string("A.cue\r\n\0\x01\x02", 10), "it holds bytes that are no text"},
        {"a line of 10,000 characters", std::string(10000, 'x') + ".cue\r\n",
         "a line is longer than 4096 characters"},
        {"a name above its folder", "A.cue\r\n../Other/B.cue\r\n", "it names a file outside its folder"},
        {"an absolute path", "/games/A.cue\r\n", "it names a file outside its folder"},
        {"a Windows path", "C:\\games\\A.cue\r\n", "it names a file outside its folder"},
        {"a bare ..", "..\r\n", "it names a file outside its folder"},
        {"itself, in another case", "A.cue\r\nGAME.M3U\r\n", "it lists itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReadPlaylist(c.text, "Game.m3u").problem, c.problem);
    }
    const auto reading = ReadPlaylist("\xEF\xBB\xBF  A.cue \nB.cue", "Game.m3u");
    ASSERT_EQ(reading.entries.size(), 2u);
    EXPECT_EQ(reading.entries[0].name, "A.cue");
    EXPECT_EQ(reading.entries[1].name, "B.cue");
}

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

TEST_F(PlaylistUpdates, AnOddPlaylistIsLeftAsItWasWithOneLine) {
    folder.Write("Big.m3u", "A.cue\r\n" + std::string(PLAYLIST_SIZE_LIMIT, '#'));
    folder.Write("Far.m3u", "A.cue\r\n../B.cue\r\n");
    folder.Write("Self.m3u", "A.cue\r\nSelf.m3u\r\n");
    EXPECT_TRUE(Plan({{"A.cue", "Title.cue"}}).empty());
    EXPECT_EQ(notes,
              (std::vector<std::string>{"Playlist Big.m3u left as it is: it is larger than 1 MiB.",
                                        "Playlist Far.m3u left as it is: it names a file outside its folder.",
                                        "Playlist Self.m3u left as it is: it lists itself."}));
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
