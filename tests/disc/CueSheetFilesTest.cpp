#include <gtest/gtest.h>

#include "disc/CueSheetFiles.h"
#include "platform/FolderNames.h"
#include "testkit/AnalysisBench.h"
#include "testkit/Companions.h"

namespace cartovex {
namespace {

struct Seen {
    std::string name, type;
    bool quoted;
    std::optional<long long> track;
    bool audio;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Read(std::string_view sheet) {
    std::vector<Seen> seen;
    for (const CueFileLine& line : ReadCueFileLines(sheet)) {
        EXPECT_EQ(sheet.substr(line.nameStart, line.nameEnd - line.nameStart), line.name);
        seen.push_back({line.name, line.type, line.quoted, line.track, line.audio});
    }
    return seen;
}

TEST(CueFileLines, SheetsAreReadAsTheyAreReallyWritten) {
    struct Case {
        std::string sheet;
        std::vector<Seen> files;
    };
    const Case cases[] = {
        {"FILE \"a b.bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n", {{"a b.bin", "BINARY", true, 1, false}}},
        {"file a.bin binary\n\ttrack 2 audio\n", {{"a.bin", "binary", false, 2, true}}},
        {"\xEF\xBB\xBF"
         "FILE x.bin BINARY\r  TRACK 01 MODE1/2352\r",
         {{"x.bin", "BINARY", false, 1, false}}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF"
         "FILE x.bin BINARY\r\n",
         {{"x.bin", "BINARY", false, std::nullopt, false}}},  // marks stacked by a converter run twice
        {"FILE \"x.wav\"\r\n  TRACK 03 AUDIO\r\n", {{"x.wav", "", true, 3, true}}},  // no type
        {"FILE \"t.bin\" \tWAVE\tX \t\r\n", {{"t.bin", "WAVE\tX", true, std::nullopt, false}}},
        {"FILE \"x.bin\" BINARY\r\nFILE \"y.bin\" BINARY\r\n  TRACK 02 AUDIO\r\n  TRACK 03 AUDIO\r\n",
         {{"x.bin", "BINARY", true, std::nullopt, false}, {"y.bin", "BINARY", true, 2, true}}},
        // Not FILE lines: the letters elsewhere, another keyword, a name without its closing quote.
        {"REM FILE \"a.bin\" BINARY\r\nTITLE \"FILE\"\r\nFILES \"a.bin\"\r\nFILE \"open.bin BINARY\r\n", {}},
        {"  TRACK 01 AUDIO\r\n", {}},  // a TRACK before any FILE belongs to none
        {"FILE \"big.bin\" BINARY\r\n  TRACK 123456789012345 AUDIO\r\n",
         {{"big.bin", "BINARY", true, READ_NUMBER_LIMIT, true}}},  // saturates, never overflows
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.sheet), c.files) << c.sheet;
}

TEST(CueFileLines, ARenameChangesTheNamesAndNoOtherByte) {
    const std::string sheet =
        "\xEF\xBB\xBFREM keep\r\nFILE \"Old 01.bin\" BINARY\n  TRACK 01 MODE1/2352\r"
        "file old02.bin binary\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\nFILE \"keep.bin\" BINARY";
    const auto lines = ReadCueFileLines(sheet);
    const std::string renamed =
        RenameInCueSheet(sheet, lines, [](const CueFileLine& line) -> std::optional<std::string> {
            if (line.name == "keep.bin") return std::nullopt;
            return line.name == "old02.bin" ? "New Title 02.bin" : "New.bin";
        });
    EXPECT_EQ(renamed,
              "\xEF\xBB\xBFREM keep\r\nFILE \"New.bin\" BINARY\n  TRACK 01 MODE1/2352\r"
              "file \"New Title 02.bin\" binary\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:02:00\r\nFILE "
              "\"keep.bin\" BINARY");
}

// A mark in front of the first FILE line hides it from emulators that match "FILE" at a line's start;
// the rename that changes that line drops it, and only that one.
TEST(CueFileLines, ARenameOfTheFirstLineDropsTheMarkInFrontOfIt) {
    const std::string sheet =
        "\xEF\xBB\xBF"
        "FILE old.bin BINARY\r\nFILE keep.bin BINARY\r\n";
    const auto lines = ReadCueFileLines(sheet);
    auto rename = [&](const char* from) {
        return RenameInCueSheet(sheet, lines, [&](const CueFileLine& line) -> std::optional<std::string> {
            if (line.name != from) return std::nullopt;
            return "new.bin";
        });
    };
    EXPECT_EQ(rename("old.bin"), "FILE new.bin BINARY\r\nFILE keep.bin BINARY\r\n");
    EXPECT_EQ(rename("keep.bin"),
              "\xEF\xBB\xBF"
              "FILE old.bin BINARY\r\nFILE new.bin BINARY\r\n");
}

TEST(CueFileLines, TenThousandFileLinesAreReadInOnePass) {
    std::string sheet;
    for (int i = 0; i < 10000; ++i)
        sheet += "FILE \"t" + std::to_string(i) + ".bin\" BINARY\r\n  TRACK 01 AUDIO\r\n";
    const auto lines = ReadCueFileLines(sheet);
    ASSERT_EQ(lines.size(), 10000u);
    EXPECT_EQ(lines.back().name, "t9999.bin");
}

TEST(FileInFolder, OnlyAPlainNameOfTheFolderCounts) {
    const FolderNames folder({"Game.bin", "other.BIN", "twice.bin", "TWICE.bin"});
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Game.bin", "Game.bin"},
        {"GAME.BIN", "Game.bin"},
        {"other.bin", "other.BIN"},
        {"twice.bin", "twice.bin"},
        {"Twice.bin", std::nullopt},
        {"../Game.bin", std::nullopt},
        {"/abs/Game.bin", std::nullopt},
        {"sub\\Game.bin", std::nullopt},
        {"..", std::nullopt},
        {"", std::nullopt},
        {"gone.bin", std::nullopt},
    };
    for (const auto& [name, file] : cases) EXPECT_EQ(FileInFolder(folder, name), file) << name;
}

// Which sheet of a folder is the image's own.
TEST(ImageSheet, TheSheetNamingTheImageElseOneNamingNothingThatExists) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> sheets;  // name, the file it names
        std::string own;
    };
    const Case cases[] = {
        {{{"a.cue", "other.bin"}, {"b.cue", "GAME.BIN"}}, "b.cue"},  // another disc's sheet comes first
        {{{"a.cue", "gone.bin"}, {"b.cue", "game.bin"}}, "b.cue"},   // naming beats an orphan
        {{{"a.cue", "other.bin"}, {"b.cue", "gone.bin"}}, "b.cue"},  // the orphan serves
        {{{"a.cue", "other.bin"}}, ""},                              // never another disc's
        {{{"a.cue", "../game.bin"}}, "a.cue"},                       // names nothing that exists
        {{}, ""},
    };
    for (const Case& c : cases) {
        testkit::AnalysisBench bench;
        bench.images.Write("game.bin", "x");
        bench.images.Write("other.bin", "x");
        for (const auto& [name, file] : c.sheets) bench.images.Write(name, testkit::CueSheet(file, 1));
        Files& files = bench.program().files();
        ASSERT_TRUE(files.SetCurrentDirectory(bench.images.Path()));
        EXPECT_EQ(FindImageSheet(files, FolderNames(files.ListCurrentFolder("*")), "game.bin"), c.own)
            << c.sheets.size();
    }
}

}  // namespace
}  // namespace cartovex
