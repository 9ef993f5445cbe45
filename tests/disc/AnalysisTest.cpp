#include <gtest/gtest.h>
#include <sys/stat.h>

#include "disc/containers/Archive.h"
#include "disc/containers/ChdCodecs.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"
#include "testkit/DemoCollection.h"
#include "testkit/ImageBuilder.h"
#include "testkit/SpyFiles.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

using testkit::BuildHeader;
using testkit::HeaderSpec;
using Lines = std::vector<std::string>;

HeaderBlock Disc(const std::string& title, uint32_t salt = 0) {
    HeaderSpec fields;
    fields.localName = title;
    fields.worldName = title;
    fields.salt = salt;
    return BuildHeader(fields);
}

class Analysis : public ::testing::Test {
protected:
    std::string Image(const std::string& name, const HeaderBlock& header) {
        return bench.images.Write(name, testkit::CookedImage(header));
    }
    std::string Opened(const std::string& name) { return "Opened (" + name + ") Successfully!"; }

    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
};

TEST_F(Analysis, ThePathIsSplitAtTheSeparatorAndTheImageFolderBecomesCurrent) {
    const std::string path = Image("Disc One/Image.ISO", Disc("A"));
    bench.Analyse(path);
    EXPECT_EQ(disc.fileName, "Image.ISO");
    EXPECT_EQ(disc.folderName, "Disc One");
    EXPECT_EQ(disc.folderPath, bench.images / "Disc One");
    EXPECT_EQ(disc.extension, "iso");
    EXPECT_EQ(bench.program().files().CurrentDirectory(), bench.images / "Disc One");
    EXPECT_EQ(disc.cueFile, "");
}

TEST_F(Analysis, RegionItemsFollowIsoInTheFileName) {
    const std::string zip = bench.images / "x.zip";
    ASSERT_TRUE(testkit::WriteZip(zip, {{"Isolde.iso", testkit::CookedImage(Disc("Z")), true, ""}}));
    const std::vector<std::pair<std::string, int>> cases = {
        {Image("Isolde.bin", Disc("A")), MENU_ENABLED},
        {Image("game.BIN", Disc("B")), MENU_DISABLED},
        {Image("dISo.raw", Disc("C")), MENU_ENABLED},
        {zip, MENU_DISABLED},  // the archive's name counts, not the member's
    };
    for (const auto& [path, state] : cases) {
        const Lines lines = bench.Analyse(path);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], Opened(disc.fileName));
        for (int id : {CMD_TO_EUROPE, CMD_TO_JAPAN, CMD_TO_USA})
            EXPECT_EQ(bench.MenuState(id), state) << path;
    }
}

TEST_F(Analysis, ABinWithItsCueSheetTurnsCueGenerationOffAndOthersOn) {
    const std::string iso = Image("iso/game.iso", Disc("ISO"));
    for (int i = 2; i <= 4; ++i)
        bench.images.Write("iso/t" + std::to_string(i) + ".mp3", testkit::Mp3Track(i));
    const std::string bin = bench.images.Write("bin/game.bin", testkit::RawImage(Disc("BIN")));
    bench.images.Write("bin/Game.CUE", testkit::CueSheet("game.bin", 2));

    bench.Analyse(iso);
    EXPECT_EQ(bench.MenuState(CMD_TOGGLE_GENERATE_CUE), MENU_CHECKED);
    EXPECT_EQ(disc.audioTracks, 3);

    EXPECT_EQ(bench.Analyse(bin)[1], "BIN+CUE detected! CUE generation has been turned off.");
    EXPECT_EQ(bench.MenuState(CMD_TOGGLE_GENERATE_CUE), MENU_ENABLED);
    EXPECT_EQ(disc.cueFile, "Game.CUE");
    EXPECT_EQ(disc.audioTracks, 2);

    bench.window().SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, MENU_ENABLED);  // the user switched it off
    bench.Analyse(iso);
    EXPECT_EQ(bench.MenuState(CMD_TOGGLE_GENERATE_CUE), MENU_CHECKED);
}

TEST_F(Analysis, AQuietAnalysisPrintsOnlyItsMessagesButDoesEverythingElse) {
    const HeaderBlock header = Disc("QUIET");
    const std::string bin = bench.images.Write("game.bin", testkit::RawImage(header));
    bench.images.Write("game.cue", testkit::CueSheet("game.bin", 1));
    bench.Know("Quiet Disc", header, 1);
    bench.program().quietAnalysis = 1;
    EXPECT_EQ(bench.Analyse(bin),
              (Lines{Opened("game.bin"), "BIN+CUE detected! CUE generation has been turned off."}));
    EXPECT_EQ(disc.displayName, "Quiet Disc");
    EXPECT_EQ(disc.matchIndex, 0);
    EXPECT_EQ(disc.crc32, HeaderChecksum(header));
    EXPECT_TRUE(bench.ProcessEnabled());
    EXPECT_NE(bench.window().FocusedControl(), ID_PROCESS_BUTTON);
}

TEST_F(Analysis, TheFieldBlockByteForByte) {
    HeaderSpec fields;
    fields.localName = "STAR QUEST";
    fields.worldName = "STAR QUEST - THE VOYAGE";
    fields.copyrightInfo = "(C)T-25 1993.JAN";
    fields.serialField = "T-25036 -01 ";
    fields.timeStamp = std::string("0412\0\0\0\0", 8);
    fields.deviceSupport = "J6";
    fields.regionByte = 0x64;
    fields.systemVersion = 0x0001;
    const HeaderBlock header = BuildHeader(fields);
    const std::string path = Image("Star Quest.iso", header);
    bench.images.Write("Star Quest 02.mp3", testkit::Mp3Track(2));
    bench.images.Write("Star Quest 03.mp3", testkit::Mp3Track(3));
    bench.Know("Star Quest", header, 3);
    bench.program().developers.names[25] = "Nimbus Works";

    const std::string rule(75, '-');
    const Lines expected = {
        Opened("Star Quest.iso"),
        rule,
        "Star Quest(MISSING AUDIO TRACKS)",
        rule,
        "Boot System         : SEGADISCSYSTEM  ",
        "CD Type             : SEGADATADIS",
        "System Name         : SEGASYSTEM ",
        "System Version      : 1",
        "System Needed       : SEGA MEGA DRIVE ",
        "Copyright Info      : (C)T-25 1993.JAN",
        "Local Name          : STAR QUEST                                      ",
        "World Name          : STAR QUEST - THE VOYAGE                         ",
        "Software Type       : GM",
        "Software Version    : 01",
        "Supported Device(s) : 3-Buttons Pad, 6-Buttons Pad",
        "Develloped by       : Nimbus Works",
        "Region Code         : E : Europe",
        "Reference ID        : T-25036",
        "Time Stamp          : 0412    ",
        "Image Format        : ISO+MP3",
        "CRC32 Checksum      : " + HexForm(HeaderChecksum(header)),
        "Audio Track(s)      : 2 (SOME MISSING)",
        rule,
    };
    EXPECT_EQ(bench.Analyse(path), expected);
    EXPECT_EQ(bench.window().FocusedControl(), ID_PROCESS_BUTTON);
    EXPECT_TRUE(bench.ProcessEnabled());
}

TEST_F(Analysis, WhatIsNoImageGivesOneLineAndNoMatch) {
    const HeaderBlock known = Disc("KNOWN");
    const std::string good = Image("good.iso", known);
    bench.Know("Known", known, 0);
    bench.images.MakeFolder("folder.iso");
    ASSERT_EQ(mkfifo((bench.images / "pipe.bin").c_str(), 0600), 0);
    bench.images.Write("empty.iso", "");
    bench.images.Write("notes.iso", "These are my notes.\r\n");
    bench.images.Write("game.rar", testkit::CookedImage(known));
    bench.images.Write("game.txt", testkit::CookedImage(known));
    bench.images.Write("junk.zip", "not an archive");
    bench.images.MakeFolder("folder.zip");
    const std::string notSega = "This is not a Sega CD Image! File will be ignored.";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"folder.iso", "Could not read folder.iso! File will be ignored."},
        {"pipe.bin", "Could not read pipe.bin! File will be ignored."},
        {"missing.raw", "Could not read missing.raw! File will be ignored."},
        {"folder.zip", "Could not read folder.zip! File will be ignored."},
        {"empty.iso", notSega},
        {"notes.iso", notSega},
        // A RAR that isn't one; a build without libarchive takes no RAR at all.
        {"game.rar", PackedArchivesSupported() ? "There is no Sega CD image in this archive!" : notSega},
        {"game.txt", notSega},
        {"junk.zip", "There is no Sega CD image in this archive!"},
    };
    for (const auto& [name, line] : cases) {
        bench.Analyse(good);
        ASSERT_TRUE(bench.ProcessEnabled());
        ASSERT_EQ(bench.MenuState(CMD_TO_USA), MENU_ENABLED);
        const HeaderBlock before = disc.header;
        EXPECT_EQ(bench.Analyse(bench.images / name), Lines{line}) << name;
        EXPECT_EQ(disc.fileName, name);
        EXPECT_EQ(disc.matchIndex, NONE_VALUE) << name;
        EXPECT_FALSE(bench.ProcessEnabled()) << name;
        // Converting would hand the rejected file to the converter.
        EXPECT_TRUE(bench.RegionItemsDisabled()) << name;
        if (line != notSega || name.ends_with(".rar") || name.ends_with(".txt")) {
            EXPECT_EQ(disc.header, before) << name << ": the old block stays, and is never analysed again";
        }
    }
}

TEST_F(Analysis, ArchivesAreOpenedUnderTheirOwnName) {
    const HeaderBlock packed = Disc("PACKED");
    const std::string zip = bench.images / "x.zip";
    ASSERT_TRUE(testkit::WriteZip(
        zip, {{"readme.txt", "hi", true, ""}, {"game.bin", testkit::RawImage(packed), true, ""}}));
    bench.Know("Packed", packed, 0);
    const Lines lines = bench.Analyse(zip);
    ASSERT_GT(lines.size(), 2u);
    EXPECT_EQ(lines[0], Opened("x.zip"));
    EXPECT_EQ(disc.displayName, "Packed");
    EXPECT_TRUE(bench.ProcessEnabled());

    const std::string bad = bench.images / "bad.zip";
    ASSERT_TRUE(testkit::WriteZip(bad, {{"data.bin", std::string(5000, 'd'), true, ""},
                                        {"disc.iso", std::string(5000, 'i'), true, ""}}));
    EXPECT_EQ(bench.Analyse(bad),
              (Lines{"This archive does not contain any Sega CD Image! File will be ignored.",
                     "There is no Sega CD image in this archive!"}));
    EXPECT_FALSE(bench.ProcessEnabled());
}

TEST(AnalysisFaults, AnImageThatCanNotBeReadEndsTheAnalysis) {
    testkit::SpyFiles spy;
    testkit::AnalysisBench bench(&spy);
    const HeaderBlock first = Disc("FIRST"), second = Disc("SECOND");
    const std::string a = bench.images.Write("a/first.iso", testkit::CookedImage(first));
    const std::string b = bench.images.Write("b/second.iso", testkit::CookedImage(second));
    bench.Know("First", first, 0);
    bench.Analyse(a);
    ASSERT_TRUE(bench.ProcessEnabled());

    spy.Fail("ReadAt", "second.iso");
    EXPECT_EQ(bench.Analyse(b), Lines{"Could not read second.iso! File will be ignored."});
    EXPECT_EQ(bench.program().disc.header, first);
    EXPECT_FALSE(bench.ProcessEnabled());
    EXPECT_TRUE(bench.RegionItemsDisabled());

    // A folder that can't be entered would leave the bare name pointing into the old folder.
    spy.ClearFailures();
    bench.images.Write("a/second.iso", testkit::CookedImage(first));
    spy.Fail("SetCurrentDirectory", bench.images / "b");
    bench.Analyse(a);
    EXPECT_EQ(bench.Analyse(b), Lines{"Could not read second.iso! File will be ignored."});
    EXPECT_EQ(bench.program().disc.matchIndex, NONE_VALUE);
    EXPECT_FALSE(bench.ProcessEnabled());
    EXPECT_TRUE(bench.RegionItemsDisabled());
}

TEST(AnalysisFaults, ABigFolderIsListedOnce) {
    testkit::SpyFiles spy;
    testkit::AnalysisBench bench(&spy);
    const std::string image = bench.images.Write("game.bin", testkit::RawImage(Disc("BIG")));
    bench.images.Write("game.cue", testkit::CueSheet("game.bin", 3));
    for (int i = 0; i < 2000; ++i) bench.images.Write("track" + std::to_string(i) + ".mp3", "");
    spy.ResetCounts();
    bench.Analyse(image);
    EXPECT_EQ(bench.program().disc.audioTracks, 3);
    EXPECT_EQ(spy.Calls("ListCurrentFolder"), 1);
}

TEST(OpenImage, TheDialogAsksForImagesAndACancelDoesNothing) {
    testkit::AnalysisBench bench;
    bench.Analyse(bench.images / "missing.iso");
    const std::string paneBefore = bench.program().pane.Text();
    OpenImageCommand(bench.program());
    const OpenFileRequest& request = bench.test->dialogs.LastOpenRequest();
    EXPECT_EQ(request.title, "Open a Sega CD Image or Archive...");
    // The first entry is the one every build shows; 7z, RAR, CHD and IMG come as a second one.
    const std::string first = "Sega CD images (*.ISO, *.BIN, *.RAW, *.ZIP)|*.ISO;*.BIN;*.RAW;*.ZIP|";
    const std::string img = "CUE+IMG and CloneCD images";
    const std::string second = PackedArchivesSupported() && ChdSupported()
                                   ? "7z and RAR archives, CHD images, " + img +
                                         " (*.7Z, *.RAR, *.CHD, *.IMG)|*.7Z;*.RAR;*.CHD;*.IMG|"
                               : PackedArchivesSupported()
                                   ? "7z and RAR archives, " + img + " (*.7Z, *.RAR, *.IMG)|*.7Z;*.RAR;*.IMG|"
                               : ChdSupported() ? "CHD images, " + img + " (*.CHD, *.IMG)|*.CHD;*.IMG|"
                                                : img + " (*.IMG)|*.IMG|";
    EXPECT_EQ(request.filter, first + second);
    EXPECT_EQ(request.initialFolder, bench.images.Path());
    EXPECT_EQ(bench.program().pane.Text(), paneBefore);

    const std::string path = bench.images.Write("chosen.iso", testkit::CookedImage(Disc("CHOSEN")));
    bench.test->dialogs.QueueOpenFile(path);
    OpenImageCommand(bench.program());
    EXPECT_EQ(bench.program().disc.imagePath, path);
    EXPECT_EQ(bench.NewLines(paneBefore.size())[0], "Opened (chosen.iso) Successfully!");
}

TEST(DemoCollection, EveryDemoImageAnalysesAsItsSummarySays) {
    testkit::AnalysisBench bench;
    auto demo = testkit::WriteDemoCollection(bench.program().files(), bench.start.Path());
    ASSERT_TRUE(demo);
    for (const std::string& line : demo->databaseEntries) bench.KnowLine(line);
    for (const auto& [code, name] : demo->developers)
        bench.program().developers.names[static_cast<size_t>(code)] = name;
    for (const testkit::DemoDisc& image : demo->discs) {
        bench.Analyse(bench.start / image.imagePath);
        const DiscInfo& disc = bench.program().disc;
        EXPECT_EQ(disc.displayName, image.displayName) << image.imagePath;
        EXPECT_EQ(disc.audioTracks, image.audioTracks) << image.imagePath;
        const bool known = image.displayName != "NOT IN DATABASE" && image.displayName != "CONVERTED IMAGE";
        EXPECT_EQ(bench.ProcessEnabled(), known) << image.imagePath;
    }
}

}  // namespace
}  // namespace cartovex
