#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "collection/Collection.h"
#include "common/Text.h"
#include "disc/Crc32.h"
#include "refdata/Loader.h"
#include "state/MenuModel.h"
#include "testkit/Companions.h"
#include "testkit/DemoCollection.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"
#include "testkit/TestProgram.h"

namespace cartovex {
namespace {

using testkit::PaneLines;

class MassProcessTest : public ::testing::Test {
protected:
    testkit::SpyFiles spy;
    testkit::StartFolderProgram start{{&spy}};
    testkit::TempFolder root;
    Program& program = start.program();
    Window& window = start.window();
    uint32_t salt = 100;

    void SetUp() override {
        // Plain names and no reports, so the trees below read as the titles.
        window.SetMenuItemState(CMD_TOGGLE_UNDERSCORE, MENU_ENABLED);
        window.SetMenuItemState(CMD_TOGGLE_GENERATE_LOG, MENU_ENABLED);
        window.SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_CHECKED);
    }

    // Writes a cooked image of a new disc at `relative`; with a title, the database knows it.
    std::string Image(const std::string& relative, const std::string& title = {}) {
        testkit::HeaderSpec fields;
        fields.salt = ++salt;
        const HeaderBlock header = testkit::BuildHeader(fields);
        if (!title.empty()) {
            HeaderDatabase& db = program.database;
            db.entries[static_cast<size_t>(db.count++)] =
                title + "#" + HexForm(HeaderChecksum(header)) + "#0";
        }
        return root.Write(relative, testkit::CookedImage(header, 1));
    }

    void Mass(const std::string& folder) {
        start.test->dialogs.QueueFolder(folder);
        MassProcess(program);
    }

    std::vector<std::string> Lines() const {
        std::vector<std::string> lines = PaneLines(program.pane.Text());
        if (!lines.empty()) lines.erase(lines.begin());
        return lines;
    }

    size_t Count(const std::string& line) const {
        const auto lines = Lines();
        return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
    }

    // The image files below the root, as relative paths.
    std::vector<std::string> Images() const {
        std::vector<std::string> found;
        for (const std::string& entry : root.Snapshot()) {
            const std::string path = entry.substr(0, entry.find('='));
            for (const char* ext : {".iso", ".bin", ".raw", ".zip"})
                if (EndsWithIgnoringAsciiCase(path, ext)) found.push_back(path);
        }
        return found;
    }
};

TEST_F(MassProcessTest, ProcessesTheKnownImagesOfTheDemoCollection) {
    auto demo = testkit::WriteDemoCollection(program.files(), root.Path());
    ASSERT_TRUE(demo);
    for (const char* name : {"DATA.KVX", "DEVELOPPER.KVX", "KVX_HAVE.TXT"})
        start.dir.Write(name, root.Read(name));
    LoadDatabases(program);
    const std::string folder = root / "collection";
    const auto unsorted = root.Read("collection/Unsorted/mystery.iso");

    Mass(folder);

    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Mass process engaged on folder : " + folder + " ...");
    EXPECT_EQ(lines.back(), "Mass renaming of directory (" + folder + ") finished!");
    // Every disc the database knows is processed (the demo has a CHD only where chdman made one).
    const auto known =
        std::count_if(demo->discs.begin(), demo->discs.end(), [](const testkit::DemoDisc& disc) {
            return disc.displayName != "NOT IN DATABASE" && disc.displayName != "CONVERTED IMAGE";
        });
    EXPECT_EQ(Count("Process done."), static_cast<size_t>(known)) << program.pane.Text();
    EXPECT_EQ(program.pane.Text().find(std::string(75, '-')), std::string::npos) << "no field blocks";
    for (const testkit::DemoDisc& disc : demo->discs)
        EXPECT_EQ(
            Count("Opened (" + disc.imagePath.substr(disc.imagePath.rfind('/') + 1) + ") Successfully!"), 1u)
            << disc.imagePath;
    // Unknown and converted images keep their names and folders.
    EXPECT_EQ(root.Read("collection/Unsorted/mystery.iso"), unsorted);
    EXPECT_TRUE(root.Exists("collection/Converted/Star Quest (J).iso"));
    EXPECT_TRUE(root.Exists("collection/Harbor Lights/Harbor Lights.bin"));
    EXPECT_FALSE(root.Exists("collection/Backup"));
    EXPECT_EQ(program.quietAnalysis, 0);
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    EXPECT_EQ(program.files().CurrentDirectory(), folder);
}

// Processing renames a folder after its title while later listed images still name the old
// folder: they are found under the new name, at every level below it.
TEST_F(MassProcessTest, FollowsFoldersRenamedDuringTheRun) {
    Image("chosen/GAME1/a.iso", "Game One");
    Image("chosen/GAME1/deeper/b.iso", "Game Two");
    Image("chosen/GAME1/deeper/deepest/c.iso", "Game Three");
    Image("chosen/PAIR/x.iso", "Pair A");  // two discs in one folder: it keeps its name
    Image("chosen/PAIR/y.iso", "Pair B");

    Mass(root / "chosen");

    EXPECT_EQ(Images(), (std::vector<std::string>{"chosen/Game One/Game One.iso",
                                                  "chosen/Game One/Game Two/Game Three/Game Three.iso",
                                                  "chosen/Game One/Game Two/Game Two.iso",
                                                  "chosen/PAIR/Pair A.iso", "chosen/PAIR/Pair B.iso"}));
    EXPECT_EQ(Count("Process done."), 5u);
    EXPECT_EQ(program.pane.Text().find("Could not read"), std::string::npos) << program.pane.Text();
}

TEST_F(MassProcessTest, AnImageThatVanishesIsSkippedNeverProcessedAsAnother) {
    struct Case {
        const char* what;
        bool wholeFolder;
    };
    for (const Case c : {Case{"file deleted", false}, Case{"folder deleted", true}}) {
        const std::string base = std::string("run") + (c.wholeFolder ? "2" : "1");
        Image(base + "/A/a.iso", "Alpha" + base);
        const std::string vanishing = Image(base + "/B/b.iso", "Beta" + base);
        Image(base + "/C/c.iso", "Gamma" + base);
        const std::string folderB = root / (base + "/B");
        spy.Before("ReadAt", vanishing, [&] {
            if (c.wholeFolder)
                std::filesystem::remove_all(folderB);
            else
                std::filesystem::remove(vanishing);
        });
        if (!c.wholeFolder) root.Write(base + "/B/keep.txt", "k");

        Mass(root / base);

        EXPECT_EQ(Count("Could not read b.iso! File will be ignored."), 1u) << c.what << program.pane.Text();
        EXPECT_EQ(Count("Process done."), 2u) << c.what;
        EXPECT_TRUE(root.Exists(base + "/Gamma" + base + "/Gamma" + base + ".iso")) << c.what;
        EXPECT_EQ(root.Exists(base + "/B/keep.txt"), !c.wholeFolder) << c.what;
    }
}

// The chosen folder is the collection's own folder: a disc lying directly in it doesn't rename it.
TEST_F(MassProcessTest, ImagesDirectlyInTheChosenFolderLeaveItsName) {
    Image("chosen/loose.iso", "Loose Disc");
    Image("chosen/Sub/s.iso", "Sub Disc");
    const std::string chosen = root / "chosen";
    // Not even for a moment is the user's toggle off: a run killed mid-way leaves it as it was.
    int toggleOffAtAWrite = 0;
    spy.Before("WriteFile", "Cartovex.ini",
               [&] { toggleOffAtAWrite += window.MenuItemState(CMD_TOGGLE_RENAME_FOLDER) != MENU_CHECKED; });

    Mass(chosen);

    EXPECT_EQ(Images(), (std::vector<std::string>{"chosen/Loose Disc.iso", "chosen/Sub Disc/Sub Disc.iso"}));
    EXPECT_EQ(Count("Folder renamed."), 1u);
    EXPECT_EQ(window.MenuItemState(CMD_TOGGLE_RENAME_FOLDER), MENU_CHECKED);
    EXPECT_NE(start.dir.Read("Cartovex.ini").find("TOGGLE_RENAMEFOLDER=on"), std::string::npos);
    EXPECT_EQ(toggleOffAtAWrite, 0);
    EXPECT_EQ(std::count_if(spy.Changes().begin(), spy.Changes().end(),
                            [](const std::string& change) { return change.ends_with("Cartovex.ini"); }),
              1)
        << "the second disc finds the settings as it would write them";
    EXPECT_EQ(program.files().CurrentDirectory(), chosen);
    EXPECT_EQ(Lines().back(), "Mass renaming of directory (" + chosen + ") finished!");
}

TEST_F(MassProcessTest, ReadOnlyImagesAreMadeWritableFirst) {
    const std::string known = Image("chosen/K/k.iso", "Known Disc");
    const std::string unknown = Image("chosen/U/u.bin");
    for (const std::string& path : {known, unknown}) ::chmod(path.c_str(), 0444);

    Mass(root / "chosen");

    // As root a read-only mode doesn't stop a rename, so the mode bits themselves are checked.
    struct stat info {};
    ASSERT_EQ(::stat((root / "chosen/Known Disc/Known Disc.iso").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
    ASSERT_EQ(::stat(unknown.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
}

TEST_F(MassProcessTest, SeesEveryLevelAndOnlyTheFourImageKinds) {
    Image("chosen/1.iso");
    Image("chosen/a/2.RAW");
    Image("chosen/a/b/3.Bin");
    Image("chosen/a/b/c/d/4.zip");
    root.Write("chosen/a/5.mp3", "m");
    root.Write("chosen/a/.6.iso", "hidden");

    Mass(root / "chosen");

    // A ZIP that isn't an archive, and cooked images named .raw or .bin, are still looked at.
    EXPECT_EQ(Lines().size(), 6u) << program.pane.Text();
    EXPECT_EQ(program.pane.Text().find("5.mp3"), std::string::npos);
    EXPECT_EQ(program.pane.Text().find(".6.iso"), std::string::npos);
    EXPECT_EQ(Count("Opened (1.iso) Successfully!") + Count("Opened (2.RAW) Successfully!") +
                  Count("Opened (3.Bin) Successfully!"),
              3u)
        << program.pane.Text();
}

// Each analysis lists its image's folder, so the images here are kept few; the listing itself
// holds every one of the folder's entries.
TEST_F(MassProcessTest, AFolderOfThousandsOfEntriesIsListedWhole) {
    const std::string folder = root.MakeFolder("many");
    for (int i = 0; i < 2000; ++i)
        root.Write("many/" + PlainNumber(10000 + i) + (i % 40 == 39 ? ".bin" : ".txt"), "not an image");
    Mass(folder);
    EXPECT_EQ(Count("This is not a Sega CD Image! File will be ignored."), 50u);
    EXPECT_EQ(Lines().back(), "Mass renaming of directory (" + folder + ") finished!");
}

TEST_F(MassProcessTest, CancelOnlyClearsThePane) {
    program.pane.AppendLine("old");
    window.EnableControl(ID_PROCESS_BUTTON, true);
    const std::string before = program.files().CurrentDirectory();
    MassProcess(program);
    EXPECT_EQ(program.pane.Text(), "");
    EXPECT_TRUE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    EXPECT_EQ(program.files().CurrentDirectory(), before);
    EXPECT_EQ(start.test->dialogs.LastPrompt(), "Please select a directory that contains Sega CD images:");
}

TEST_F(MassProcessTest, AFolderWithoutImagesSaysSo) {
    root.Write("empty/notes.txt", "n");
    for (const std::string& folder : {root / "empty", root / "missing"}) {
        window.EnableControl(ID_PROCESS_BUTTON, true);
        Mass(folder);
        EXPECT_EQ(Lines(), (std::vector<std::string>{"There is no Sega CD images in the directory (" +
                                                     folder + ")!"}));
        EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
    }
}

// Every folder the run can't list is named, and the run goes on with the rest; a chosen folder that
// can't be read is named instead of being called empty.
TEST_F(MassProcessTest, FoldersThatCanNotBeListedAreNamed) {
    Image("Disc/disc.iso", "Listed Game");
    const std::string deep = root.MakeDeepFolder("Deep", 4200, "lost.iso");
    Mass(root.Path());
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines[0].starts_with("The path of the directory (" + root / "Deep/"));
    EXPECT_TRUE(lines[0].ends_with(") is too long for the system!"));
    EXPECT_EQ(lines[1], "Mass process engaged on folder : " + root.Path() + " ...");
    EXPECT_TRUE(root.Exists("Listed Game/Listed Game.iso"));

    program.pane.ClearPane();
    spy.Fail("ListFilesRecursive", root.Path());
    window.EnableControl(ID_PROCESS_BUTTON, true);
    Mass(root.Path());
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Could not read the directory (" + root.Path() + ")!"}));
    EXPECT_FALSE(window.IsControlEnabled(ID_PROCESS_BUTTON));
}

TEST_F(MassProcessTest, SubFoldersItMayNotReadAreNamed) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder; .ci/run runs this as another user";
    Image("Open/disc.iso", "Open Game");
    Image("Closed/disc.iso", "Closed Game");
    Image("Closed/Inner/disc.iso", "Inner Game");
    chmod((root / "Closed").c_str(), 0);
    Mass(root.Path());
    EXPECT_EQ(Lines().front(), "Could not read the directory (" + root / "Closed" + ")!");
    EXPECT_EQ(Count("Process done."), 1u);
    chmod((root / "Closed").c_str(), 0755);
    EXPECT_TRUE(root.Exists("Open Game/Open Game.iso"));
    EXPECT_TRUE(root.Exists("Closed/disc.iso"));
}

}  // namespace
}  // namespace cartovex
