#include "common/Text.h"

#include <gtest/gtest.h>

namespace cartovex {
namespace {

TEST(TextForms, HexadecimalHasNoLeadingZeros) {
    struct Case {
        uint32_t value;
        const char* text;
    } cases[] = {{0, "0"}, {1, "1"}, {0x100, "100"}, {0x0D95F67A, "D95F67A"}, {0xFFFFFFFF, "FFFFFFFF"},
                 {0x0000ABCD, "ABCD"}};
    for (const auto& c : cases) EXPECT_EQ(HexForm(c.value), c.text) << c.value;
}

TEST(TextForms, NumberTextPutsABlankBeforeNonNegativeNumbers) {
    EXPECT_EQ(NumberText(0), " 0");
    EXPECT_EQ(NumberText(345), " 345");
    EXPECT_EQ(NumberText(-7), "-7");
    EXPECT_EQ(PlainNumber(12), "12");
}

TEST(TextForms, TrimRemovesOnlyBlanks) {
    EXPECT_EQ(Trim("  MK-4429 \t "), "MK-4429 \t");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(TrimRight(" a  "), " a");
    EXPECT_EQ(AsciiLower("(C)SEGA \xC9"), "(c)sega \xC9");
}

TEST(TextForms, ReadNumberTakesTheLeadingNumberAndSaturates) {
    struct Case {
        const char* text;
        long long value;
    } cases[] = {{"12", 12},   {"  345 entries", 345}, {"abc", 0}, {"", 0},
                 {"-4#x", -4}, {"7.5", 7},             {"99999999999999999999999999", READ_NUMBER_LIMIT}, {"-99999999999", -READ_NUMBER_LIMIT}};
    for (const auto& c : cases) EXPECT_EQ(ReadNumber(c.text), c.value) << c.text;
    EXPECT_EQ(SaturateInt16(40000), 32767);
    EXPECT_EQ(SaturateInt16(-40000), -32768);
}

TEST(TextForms, SplitKeepsEmptyPiecesAndHonoursTheLimit) {
    EXPECT_EQ(Split("a#b##c", '#'), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(Split("a#b#c#d", '#', 2), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Split("", '#'), (std::vector<std::string>{""}));
    EXPECT_EQ(Piece("UpdateSite=host=x", '=', 1), "host");
    EXPECT_EQ(Piece("no separator", '=', 1), "");
}

TEST(LineReading, CrEndsALineAndLoneLfStaysInTheText) {
    struct Case {
        const char* name;
        std::string data;
        std::vector<std::string> lines;
    } cases[] = {
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"no final end", "a\r\nb", {"a", "b"}},
        {"lone cr", "a\rb\r", {"a", "b"}},
        {"lone lf", "a\nb\r\nc", {"a\nb", "c"}},
        {"blank line", "a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"1A ends the file", std::string("a\r\nb\x1A" "c\r\nd", 10), {"a", "b"}},
        {"empty", "", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadLines(c.data), c.lines) << c.name;
}

TEST(LineReading, AnyLineEndSplitsSheetsWrittenOnEveryPlatform) {
    EXPECT_EQ(SplitAnyLineEnds("a\nb\rc\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitAnyLineEnds("a\r\n\r\nb\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitAnyLineEnds("").empty());
}

TEST(NameOrder, IgnoresAsciiCaseLikeNtfs) {
    EXPECT_TRUE(NameLess("abc", "ABD"));
    EXPECT_TRUE(NameLess("Track02.mp3", "track10.mp3"));
    EXPECT_FALSE(NameLess("b", "A"));
}

}  // namespace
}  // namespace cartovex
