#include <gtest/gtest.h>

#include <filesystem>

#include "collection/Collection.h"
#include "collection/SharedListings.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/FolderNames.h"
#include "state/MenuModel.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

TEST(FolderNames, IndexedPatternsAnswerAsTheWildcardMatchDoes) {
    const FolderNames names({"a.MP3", "b.mp3", "c.mp3.bak", "d", "e.Wav", "f.tar.gz", "track.mp"});
    for (std::string_view pattern :
         {"*.mp3", "*.MP3", "*.wav", "*.gz", "*.tar.gz", "*.mp", "*", "*.", "?.mp3", "*.cue", "d", "*mp3*"}) {
        std::vector<std::string> expected;
        for (const std::string& name : names.All())
            if (WildcardMatch(pattern, name)) expected.push_back(name);
        EXPECT_EQ(names.Matching(pattern), expected) << pattern;
        EXPECT_EQ(names.CountMatching(pattern), static_cast<int>(expected.size())) << pattern;
        EXPECT_EQ(names.FirstMatching(pattern), expected.empty() ? "" : expected.front()) << pattern;
    }
}

// The run's own renames, writes and deletes through the shared listings must leave them as a fresh
// listing would show the folder.
TEST(SharedListings, ListingsStayTrueToTheRunsOwnChanges) {
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder folder;
    for (const char* name : {"b.iso", "A.mp3", "c.mp3", "d.cue"}) folder.Write(name, "x");
    folder.MakeFolder("Sub");
    std::filesystem::current_path(folder.Path());
    testkit::SpyFiles real;
    SharedListingFiles shared(real);

    const std::function<void()> changes[] = {
        [&] { shared.Rename("b.iso", "Title.iso"); },
        [&] { shared.Rename("A.mp3", "a.MP3"); },
        [&] { shared.WriteFile("KVX_INFO.TXT", "report"); },
        [&] { shared.WriteFile(folder / "Title.CUE", "sheet"); },
        [&] { shared.DeleteFile("d.cue"); },
        [&] { shared.Rename("c.mp3", ".hidden.mp3"); },
        [&] { shared.Rename(folder / "Sub", folder / "Sub2"); },
        [&] { shared.Rename("missing.iso", "x.iso"); },
        [&] { shared.WriteFile("Sub2", "a folder's name"); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        (void)shared.ListCurrentFolder("*");
        (void)shared.ListTopLevel(folder.Path());
        changes[i]();
        for (std::string_view pattern : {"*", "*.mp3", "*.iso", "*.cue"})
            EXPECT_EQ(shared.ListCurrentFolder(pattern), real.ListCurrentFolder(pattern))
                << i << " " << pattern;
        EXPECT_EQ(shared.ListTopLevel(folder.Path()), real.ListTopLevel(folder.Path())) << i;
    }
}

TEST(SharedListings, AnAnalysisKeepsTheListingItWasGivenWhileTheFolderChanges) {
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder folder;
    folder.Write("a.iso", "x");
    std::filesystem::current_path(folder.Path());
    testkit::SpyFiles real;
    SharedListingFiles shared(real);
    const auto held = shared.CurrentFolderNames();
    shared.Rename("a.iso", "b.iso");
    EXPECT_EQ(held->All(), std::vector<std::string>{"a.iso"});
    EXPECT_EQ(shared.CurrentFolderNames()->All(), std::vector<std::string>{"b.iso"});
    EXPECT_EQ(real.Calls("ListCurrentFolder"), 1);
}

// A mass run over a flat folder lists it a fixed number of times, not once or more per image.
TEST(SharedListings, AMassRunOverAFlatFolderListsItAFewTimesOnly) {
    testkit::SpyFiles spy;
    testkit::StartFolderProgram start({&spy});
    testkit::TempFolder folder;
    constexpr int IMAGES = 40;
    for (int i = 0; i < IMAGES; ++i) {
        testkit::HeaderSpec fields;
        fields.salt = static_cast<uint32_t>(i + 1);
        const HeaderBlock header = testkit::BuildHeader(fields);
        folder.Write("disc" + PlainNumber(i) + ".iso", testkit::CookedImage(header, 1));
        HeaderDatabase& db = start.program().database;
        db.entries[static_cast<size_t>(db.count++)] =
            "Game " + PlainNumber(i) + "#" + HexForm(HeaderChecksum(header)) + "#0";
    }
    start.window().SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_CHECKED);
    start.test->dialogs.QueueFolder(folder.Path());
    MassProcess(start.program());
    EXPECT_TRUE(folder.Exists("Game 39.iso") || folder.Exists("Game_39.iso")) << start.program().pane.Text();
    EXPECT_LE(spy.Calls("ListCurrentFolder") + spy.Calls("ListTopLevel"), 4);
    EXPECT_EQ(start.program().run, nullptr);
}

}  // namespace
}  // namespace cartovex
