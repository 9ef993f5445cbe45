#include <gtest/gtest.h>

#include <algorithm>
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

// What a walk read of each folder answers for it from then on: a change into the folder, its
// listings and what lies under a name cost the disc nothing, and stay true to the run's own changes,
// hidden names (the journals) and a renamed current folder included.
TEST(SharedListings, AWalksListingsAnswerForEveryFolderItReadAndFollowTheRunsChanges) {
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder root;
    const std::string disc = root.MakeFolder("Group/DISC1");
    for (const char* name : {"Group/DISC1/disc.iso", "Group/DISC1/disc 02.mp3", "Group/DISC2/b.iso",
                             "Group/DISC2/.cartovex-journal"})
        root.Write(name, "x");
    root.MakeFolder("Group/DISC1/Sub");
    std::filesystem::current_path(root.Path());
    testkit::SpyFiles real;
    SharedListingFiles shared(real);
    ASSERT_EQ(shared.ListFilesRecursive(root.Path(), {"iso"}).size(), 2u);
    const int listings = real.Calls("ListCurrentFolder") + real.Calls("ListTopLevel");

    ASSERT_TRUE(shared.SetCurrentDirectory(disc));
    EXPECT_EQ(real.Calls("SetCurrentDirectory"), 0) << "the system stays where it is";
    std::string here = disc;
    const std::function<void()> changes[] = {
        [] {},
        [&] { shared.WriteFile(".cartovex-journal", "plan"); },
        [&] { shared.Rename("disc.iso", "Title.iso"); },
        [&] { shared.WriteFile("KVX_INFO.TXT", "report"); },
        [&] { shared.DeleteFile(".cartovex-journal"); },
        [&] {
            shared.Rename(disc, root / "Group/Title");
            here = root / "Group/Title";
        },
        [&] { shared.WriteFile("Title.CUE", "sheet"); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        changes[i]();
        ASSERT_EQ(shared.CurrentDirectory(), here) << i;
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(here))
            if (entry.is_regular_file() && !entry.path().filename().string().starts_with('.'))
                files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end(), NameLess);
        EXPECT_EQ(shared.ListCurrentFolder("*"), files) << i;
        for (const std::string& folder : {here, root / "Group", root / "Group/DISC2"}) {
            for (const char* name :
                 {"disc.iso", "Title.iso", "disc 02.mp3", "Sub", "KVX_INFO.TXT", "Title.CUE",
                  ".cartovex-journal", "DISC1", "Title", "DISC2", "b.iso", "none"}) {
                const std::string path = folder + "/" + name;
                const auto said = shared.KeptListingSays(path);
                if (!said) continue;
                const std::filesystem::file_status status = std::filesystem::symlink_status(path);
                const ListedKind truth = !std::filesystem::exists(status)           ? ListedKind::NOTHING
                                         : std::filesystem::is_regular_file(status) ? ListedKind::FILE
                                         : std::filesystem::is_directory(status)    ? ListedKind::FOLDER
                                                                                    : ListedKind::OTHER;
                EXPECT_EQ(*said, truth) << i << " " << path;
            }
        }
    }
    EXPECT_EQ(root.Read("Group/Title/KVX_INFO.TXT"), "report");
    EXPECT_EQ(root.Read("Group/Title/Title.CUE"), "sheet") << "written where the run is, under its new name";
    EXPECT_EQ(real.Calls("ListCurrentFolder") + real.Calls("ListTopLevel"), listings)
        << "no folder listed again";
    EXPECT_EQ(shared.KeptListingSays(root / "Group/DISC2/.cartovex-journal"), std::nullopt)
        << "a hidden name the walk saw is asked of the disc";
}

}  // namespace
}  // namespace cartovex
