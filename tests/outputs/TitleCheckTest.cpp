#include <gtest/gtest.h>

#include "outputs/RenamePlan.h"
#include "outputs/TitleCheck.h"

namespace cartovex {
namespace {

TEST(TitleCheck, NamesThatAreOneComponentEverywhereAreUsable) {
    for (std::string_view name :
         {"Game_Title", "Game Title", "Game_Title(DUPE)(MISSING_AUDIO_TRACKS)", "a", ".hack", "Console",
          "COM10", "LPT\xb9\xb9", "NUL_Island", "CONTRA", "Caf\xe9", "Sonic CD [T-6013]", "A.B", "x..y"}) {
        EXPECT_TRUE(IsUsableFileName(name)) << name;
        EXPECT_TRUE(IsUsableTitle(name)) << name;
    }
}

TEST(TitleCheck, NamesThatMoveFilesElsewhereOrBreakASheetAreRefused) {
    const std::string_view refused[] = {
        "",           ".",           "..",          "../Elsewhere", "Sub/Game",
        "Sub\\Game",  "Game\"Title", "Line\rBreak", "Line\nBreak",  std::string_view("Nul\0Byte", 8),
        "Tab\tName",  "Del\x7f",     "C:Drive",     "What?",        "Star*",
        "<Angle>",    "Pipe|Name",   "CON",         "con",          "Con.bin",
        "NUL",        "PRN.txt.zip", "AUX",         "COM1",         "com9.iso",
        "LPT1",       "lpt9",        "CON .bin",    "Trailing.",    "Trailing ",
        "Title.",     "LPT0",        "COM0.iso",    "COM\xb9",      "lpt\xb3.bin",
        "COM\xc2\xb2"};
    for (std::string_view name : refused) {
        EXPECT_FALSE(IsUsableFileName(name)) << name;
        EXPECT_FALSE(IsUsableTitle(name)) << name;
    }
}

TEST(TitleCheck, TheLongestDerivedNameMustFit) {
    EXPECT_TRUE(IsUsableFileName(std::string(255, 'a')));
    EXPECT_FALSE(IsUsableFileName(std::string(256, 'a')));
    // "PRE" + title + "_02.mp3" is the longest name a run gives.
    EXPECT_TRUE(IsUsableTitle(std::string(245, 'a')));
    EXPECT_FALSE(IsUsableTitle(std::string(246, 'a')));
}

TEST(CompanionPlan, AShiftedNumberIsReadAsANumberAndWrittenWithTwoDigits) {
    EXPECT_EQ(FinalCompanionNumber(" 3", true), "04");
    EXPECT_EQ(FinalCompanionNumber(" 3", false), " 3");
    EXPECT_EQ(FinalCompanionNumber("09", true), "10");
    EXPECT_EQ(FinalCompanionNumber("99", true), "100");
}

TEST(CompanionPlan, NumbersShiftOnlyWhenTheFirstInNameOrderIsOne) {
    struct Case {
        std::vector<std::string> companions;
        std::vector<std::string> finals;  // in name order of the temporary names
    };
    const Case cases[] = {
        {{"Track 02.mp3", "Track 03.mp3"}, {"T_02.mp3", "T_03.mp3"}},
        {{"Track 02.mp3", "Track 01.mp3"}, {"T_02.mp3", "T_03.mp3"}},
        {{"a 09.mp3", "b 01.mp3", "c 99.mp3"}, {"T_02.mp3", "T_10.mp3", "T_100.mp3"}},
        // " 3" lists before "01", so the first companion is not number one.
        {{"Track 01.mp3", "Track 3.mp3"}, {"T_ 3.mp3", "T_01.mp3"}},
        {{"Track 3.mp3"}, {"T_ 3.mp3"}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        const CompanionPlan plan = PlanCompanionRenames(c.companions, "T", "_", ".mp3");
        ASSERT_EQ(plan.toTemporary.size(), c.companions.size());
        std::vector<std::string> finals;
        for (const RenameStep& step : plan.toFinal) finals.push_back(step.to);
        EXPECT_EQ(finals, c.finals) << (c.companions.empty() ? "" : c.companions[0]);
    }
}

}  // namespace
}  // namespace cartovex
