#include <gtest/gtest.h>

#include "common/Utf8.h"

namespace cartovex {
namespace {

TEST(JsonText, EveryByteBecomesOneCharacterAndOnlyWellFormedUtf8IsTakenAsIs) {
    EXPECT_EQ(Latin1ToUtf8(std::string("A\0\"\\", 4)), std::string("A\0\"\\", 4));
    EXPECT_EQ(Latin1ToUtf8("\x80\xE9\xFF"), "\xC2\x80\xC3\xA9\xC3\xBF");
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_TRUE(IsValidUtf8(Latin1ToUtf8(all)));

    const std::vector<std::pair<std::string, bool>> cases = {
        {"plain", true},
        {"\xC3\xA9t\xC3\xA9", true},
        {"\xF0\x9F\x92\xBF", true},
        {"\xE9t\xE9", false},
        {"\xC3", false},
        {"\xC0\xAF", false},          // overlong "/"
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
    };
    for (const auto& [text, valid] : cases) EXPECT_EQ(IsValidUtf8(text), valid) << text;
}

}  // namespace
}  // namespace cartovex
