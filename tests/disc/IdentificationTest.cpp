#include <gtest/gtest.h>

#include <cstdio>

#include "disc/Identification.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"

namespace cartovex {
namespace {

using testkit::BuildHeader;
using testkit::HeaderSpec;

DiscInfo DiscWith(const std::string& serial, const std::string& softwareType = "GM",
                  const std::string& localName = "TEST DISC") {
    HeaderSpec fields;
    fields.serialField = serial;
    fields.softwareType = softwareType;
    fields.localName = localName;
    DiscInfo disc;
    disc.header = BuildHeader(fields);
    disc.crc32 = HeaderChecksum(disc.header);
    return disc;
}

TEST(NormaliseSerial, ReferenceIdAndVersion) {
    struct Case {
        std::string serial;
        std::string referenceId, version;
    };
    const std::vector<Case> cases = {
        {"MK-4429 -00 ", "MK-4429", "00"},
        {"G-6039      ", "G-6039", ""},
        {"MK-004429   ", "MK-4429", ""},
        {"G-006039    ", "G-6039", ""},
        {"MK 0xxxx-01 ", "MK-0xxxx", "01"},
        {"T-25036 -00 ", "T-25036", "00"},
        {"T-25036 -A  ", "T-25036", "A"},  // a version not ending in a digit keeps two characters
        {"T-25036-ABC ", "T-25036", "AB"},
        {"ABC-12      ", "ABC", "12"},   // two pieces without MK, T or G: a name and its version
        {"ABC -12     ", "ABC ", "12"},  // ... the name untrimmed
        {"GAME        ", "GAME-", ""},   // no "-" at all
        {"            ", "-", ""},
        {"A-B-C-D-E-F ", "A-B", "C"},  // pieces after the fifth are dropped
    };
    for (const auto& c : cases) {
        DiscInfo disc = DiscWith(c.serial);
        NormaliseSerial(disc);
        EXPECT_EQ(disc.referenceId, c.referenceId) << c.serial;
        EXPECT_EQ(disc.softwareVersion, c.version) << c.serial;
        EXPECT_EQ(disc.softwareVersion, disc.serialParts[2]) << c.serial;
    }
}

TEST(NormaliseSerial, ShiftedSerialsAreRepairedOnce) {
    for (const std::string title : {"WONDERDOG", "ROAD BLASTER FX"}) {
        DiscInfo disc = DiscWith("4407 -01   ", "MK", title);
        NormaliseSerial(disc);
        EXPECT_EQ(disc.referenceId, "MK-4407") << title;
        EXPECT_EQ(disc.softwareVersion, "01") << title;
        EXPECT_EQ(SoftwareType(disc.header), "  ") << title;
    }
    // Without "MK" in the software type the serial is taken as it stands.
    DiscInfo plain = DiscWith("4407 -01   ", "GM", "WONDERDOG");
    NormaliseSerial(plain);
    EXPECT_EQ(plain.referenceId, "4407 ");
    EXPECT_EQ(SoftwareType(plain.header), "GM");
}

TEST(NormaliseSerial, OneChecksumAlwaysGetsItsFixedSerial) {
    DiscInfo disc = DiscWith("MK-1234 -05 ");
    disc.crc32 = 0xD95F67AC;
    NormaliseSerial(disc);
    EXPECT_EQ(disc.referenceId, "G-6043");
    EXPECT_EQ(disc.softwareVersion, "");
    EXPECT_EQ(SoftwareType(disc.header), "  ");
    // A checksum with leading zero digits is a different one.
    DiscInfo other = DiscWith("MK-1234 -05 ");
    other.crc32 = 0x0D95F67A;
    NormaliseSerial(other);
    EXPECT_EQ(other.referenceId, "MK-1234");
}

// A mass run looks images up through an index of the database; it must answer as the scan does.
TEST(FindDatabaseEntry, FirstChecksumMatchWinsAndTracksAreComparedWithOrWithoutTheIndex) {
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "indexed" : "scanned");
        HeaderDatabase db;
        auto add = [&](const std::string& line) { db.entries[static_cast<size_t>(db.count++)] = line; };
        add("No checksum at all");
        add("");
        add("Other#1234#2");
        add("Lower#abcdef12#3");
        add("Leading#0BCDEF1#3");
        add("Eight#ABCDEF12#8");
        add("Ten#ABCDEF12#10");
        add("Short#BCDEF1");
        auto find = [&](uint32_t crc, int16_t tracks = 0) {
            DiscInfo disc;
            disc.crc32 = crc;
            disc.audioTracks = tracks;
            if (indexed) {
                const DatabaseIndex index(db);
                FindDatabaseEntry(disc, db, &index);
            } else {
                FindDatabaseEntry(disc, db);
            }
            return std::pair{disc.matchIndex, disc.tracksMismatch};
        };

        EXPECT_EQ(find(0xABCDEF12, 10), std::pair(int16_t{5}, SET_VALUE));
        EXPECT_EQ(find(0xABCDEF12, 8), std::pair(int16_t{5}, NONE_VALUE));
        // Shown as BCDEF1: the entry with the leading zero never matches, and a missing track
        // count reads as 0.
        EXPECT_EQ(find(0x0BCDEF1), std::pair(int16_t{7}, NONE_VALUE));
        EXPECT_EQ(find(0x12345), std::pair(NONE_VALUE, NONE_VALUE));

        // Slots beyond `count` are never consulted, and a broken count can't reach outside the table.
        db.count = 5;
        EXPECT_EQ(find(0xABCDEF12).first, NONE_VALUE);
        db.count = 30000;
        EXPECT_EQ(find(0xABCDEF12).first, 5);
        db.count = -3;
        EXPECT_EQ(find(0xABCDEF12).first, NONE_VALUE);
    }
}

class DisplayName : public ::testing::Test {
protected:
    void Identify(int16_t match, int16_t mismatch = NONE_VALUE, std::array<std::string, 4> marks = {}) {
        HeaderSpec fields;
        fields.conversionMarks = marks;
        Program& p = bench.program();
        p.disc.header = BuildHeader(fields);
        p.disc.matchIndex = match;
        p.disc.tracksMismatch = mismatch;
        BuildDisplayName(p);
    }
    std::string Have() const { return bench.start / "KVX_HAVE.TXT"; }
    const std::string& Name() { return bench.program().disc.displayName; }

    testkit::AnalysisBench bench;
};

TEST_F(DisplayName, MarkersFollowTheDatabaseName) {
    bench.KnowLine("Star Quest#1234#3#x#y#z");
    bench.start.Write("KVX_HAVE.TXT", "Nebula\r\nStar Quest \r\n");
    Identify(0);
    EXPECT_EQ(Name(), "Star Quest");  // a trailing space is another name
    EXPECT_EQ(bench.program().disc.duplicate, NONE_VALUE);
    EXPECT_TRUE(bench.ProcessEnabled());

    bench.start.Write("KVX_HAVE.TXT", "Nebula\r\nStar Quest\r\n");
    Identify(0);
    EXPECT_EQ(Name(), "Star Quest(DUPE)");
    EXPECT_EQ(bench.program().disc.duplicate, SET_VALUE);

    Identify(0, SET_VALUE);
    EXPECT_EQ(Name(), "Star Quest(DUPE)(MISSING AUDIO TRACKS)");

    std::remove(Have().c_str());
    Identify(0, SET_VALUE);
    EXPECT_EQ(Name(), "Star Quest(MISSING AUDIO TRACKS)");
}

// The HAVE list names a processed disc by its folder (or an archive kept loose by its file): that
// copy is the one listed, not a duplicate of it. Any other copy is.
TEST_F(DisplayName, TheCopyTheHaveListNamesIsNoDuplicateOfItself) {
    bench.KnowLine("Star Quest#1234#3");
    bench.start.Write("KVX_HAVE.TXT", "Star Quest\r\n");
    struct Case {
        std::string folder, file;
        bool duplicate;
    };
    const Case cases[] = {
        {"Star_Quest", "track01.bin", false},
        {"Star Quest(DUPE)", "x.iso", false},
        {"Collection", "Star_Quest.zip", false},
        {"Collection", "Star_Quest(DUPE).chd", false},
        {"Backup", "copy.iso", true},
        {"Star Quest 2", "Star Quest 2.iso", true},
        {"Star_Quest_(Disc_2)", "disc2.iso", true},
    };
    for (const Case& c : cases) {
        bench.program().disc.folderName = c.folder;
        bench.program().disc.fileName = c.file;
        Identify(0);
        EXPECT_EQ(Name(), c.duplicate ? "Star Quest(DUPE)" : "Star Quest") << c.folder << "/" << c.file;
    }
}

TEST(MatchKey, TheTitleAnEntryStandsFor) {
    const std::pair<std::string, std::string> cases[] = {
        {"Star_Quest", "Star Quest"},
        {"Star Quest.iso", "Star Quest"},
        {"Star_Quest(DUPE)", "Star Quest"},
        {"Star_Quest(DUPE)(MISSING_AUDIO_TRACKS).zip", "Star Quest"},
        {"Star Quest(MISSING AUDIO TRACKS)(DUPE)", "Star Quest"},
        {"(DUPE)", ""},
        {"Star (DUPE) Quest", "Star (DUPE) Quest"},  // only a marker at the end is processing's
        {"Dot.Name", "Dot"},
    };
    for (const auto& [entry, key] : cases) EXPECT_EQ(MatchKey(entry), key) << entry;
}

TEST_F(DisplayName, UnknownAndConvertedImages) {
    bench.window().EnableControl(ID_PROCESS_BUTTON, true);
    Identify(NONE_VALUE);
    EXPECT_EQ(Name(), "NOT IN DATABASE");
    EXPECT_FALSE(bench.ProcessEnabled());
    Identify(NONE_VALUE, NONE_VALUE, {"", "", "", "MoDU"});
    EXPECT_EQ(Name(), "CONVERTED IMAGE");
    EXPECT_FALSE(bench.ProcessEnabled());
}

TEST_F(DisplayName, AnEmptyHaveListIsDeletedAndAnUnreadableOneKept) {
    bench.KnowLine("Star Quest#1234#3");
    bench.start.Write("KVX_HAVE.TXT", "");
    Identify(0);
    EXPECT_EQ(Name(), "Star Quest");
    EXPECT_FALSE(bench.start.Exists("KVX_HAVE.TXT"));

    // A folder of that name is no list, and it is no file to delete either.
    bench.start.MakeFolder("KVX_HAVE.TXT");
    Identify(0);
    EXPECT_EQ(Name(), "Star Quest");
    EXPECT_TRUE(bench.start.Exists("KVX_HAVE.TXT"));
}

TEST_F(DisplayName, TheListEndsAtByte1A) {
    bench.KnowLine("Star Quest#1234#3");
    bench.start.Write("KVX_HAVE.TXT", std::string("Nebula\r\n\x1A") + "Star Quest\r\n");
    Identify(0);
    EXPECT_EQ(Name(), "Star Quest");
}

}  // namespace
}  // namespace cartovex
