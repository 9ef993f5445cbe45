#include <gtest/gtest.h>

#include "refdata/ReferenceFormat.h"

namespace cartovex {
namespace {

TEST(ReferenceFormat, OnlyAVersionLineAndWellFormedEntriesEachEndedByCrLfAreWhole) {
    using enum ReferenceFile;
    struct Case {
        ReferenceFile kind;
        std::string data;
        bool whole;
    };
    const Case cases[] = {
        {DATABASE, "4\r\nStar Quest#1A2B#3\r\nNebula#ABCDEF01#0#x#y#z\r\n", true},
        {DATABASE, " -2 beta\r\nA#0#0\r\n", true},
        {DATABASE, "4\r\n", true},  // a list without entries is still a list
        {DEVELOPERS, "8\r\n25#Nimbus Works\r\n300#\r\n7#Name#more#fields\r\n", true},

        {DATABASE, "", false},
        {DATABASE, "4\r\nStar Quest#1A2B#3", false},  // the last line not ended
        {DATABASE, "4\r\nStar Quest#1A2B#3\r", false},
        {DATABASE, "4\r\nStar Quest#1A2", false},
        {DATABASE, "4\r\nStar Quest#1A2B#3\r\n\r\n", false},  // a blank entry
        {DATABASE, "v4\r\nStar Quest#1A2B#3\r\n", false},
        {DATABASE, "4\r\n#1A2B#3\r\n", false},
        {DATABASE, "4\r\nStar Quest#1a2b#3\r\n", false},
        {DATABASE, "4\r\nStar Quest#123456789#3\r\n", false},
        {DATABASE, "4\r\nStar Quest#1A2B#\r\n", false},
        {DATABASE, "4\r\nStar Quest#1A2B#x\r\n", false},
        {DATABASE, "4\nStar Quest#1A2B#3\r\n", false},  // a lone LF joins two lines
        {DATABASE, "4\r\nStar\rQuest#1A2B#3\r\n", false},
        {DATABASE, std::string("4\r\nStar\0Quest#1A2B#3\r\n", 22), false},
        {DATABASE, "4\r\nStar Quest#1A2B#3\x1a\r\n", false},
        {DEVELOPERS, "8\r\nNimbus Works\r\n", false},
        {DEVELOPERS, "8\r\n#Nimbus Works\r\n", false},
        {DEVELOPERS, "8\r\n-1#Nimbus Works\r\n", false},
        {DEVELOPERS, "8\r\n25#Nimbus Wor", false},
        {DEVELOPERS, "<!DOCTYPE html>\r\n", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWholeReferenceFile(c.kind, c.data), c.whole)
            << static_cast<int>(c.kind) << ": " << c.data;
}

}  // namespace
}  // namespace cartovex
