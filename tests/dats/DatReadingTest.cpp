#include <gtest/gtest.h>

#include "dats/DatCatalogue.h"

namespace cartovex {
namespace {

const char* const LOGIQX_DOCTYPE =
    "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
    "\"http://www.logiqx.com/Dats/datafile.dtd\">\n";

const std::string SHA1_A = "00112233445566778899aabbccddeeff00112233";
const std::string MD5_A = "0123456789ABCDEF0123456789abcdef";

// A DAT as the preservation project's site gives it: declaration, DOCTYPE, CR LF line ends.
std::string RealXmlDat() {
    return std::string("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n") + LOGIQX_DOCTYPE +
           "<datafile>\r\n"
           "\t<header>\r\n\t\t<name>Sega - Mega-CD - Sega CD</name>\r\n"
           "\t\t<description>Sega - Mega-CD - Sega CD (20240101)</description>\r\n"
           "\t\t<version>20240101</version>\r\n\t</header>\r\n"
           "\t<game name=\"Sonic &amp; Knuckles &quot;Edition&quot; (USA)\">\r\n"
           "\t\t<description>Sonic &amp; Knuckles</description>\r\n"
           "\t\t<rom name=\"Sonic (USA).cue\" size=\"412\" crc=\"DEADBEEF\"/>\r\n"
           "\t\t<rom name=\"Sonic (USA) (Track 1).bin\" size=\"1234567\" crc=\"0000abcd\" md5=\"" +
           MD5_A + "\" sha1=\"" + SHA1_A +
           "\"/>\r\n"
           "\t\t<rom name=\"Sonic (USA) (Track 2).bin\" size=\"0\" sha1=\"" +
           SHA1_A +
           "\"/>\r\n"
           "\t</game>\r\n"
           "\t<machine name=\"Long Disc (Japan)\">\r\n"
           "\t\t<rom name=\"Long Disc (Japan) (Track 01).bin\" size=\"17179869184\" crc=\"11111111\"/>\r\n"
           "\t\t<rom name=\"Long Disc (Japan) (Track 12).bin\" size=\"2352\" crc=\"22222222\"/>\r\n"
           "\t\t<disk name=\"not a rom\" sha1=\"" +
           SHA1_A +
           "\"/>\r\n"
           "\t</machine>\r\n"
           "</datafile>\r\n";
}

const std::string CLRMAMEPRO_DAT =
    "clrmamepro (\n\tname \"Sega - Mega-CD (Text)\"\n\tdescription \"Text (form)\"\n\tversion 2024\n"
    "\tforcemerging none\n)\n\n"
    "emulator ( name \"skipped\" nested ( a b ) )\n"
    "game (\n\tname \"Disc (Europe) (Track 1) (Rev A)\"\n\tdescription \"Disc ( Europe )\"\n"
    "\tyear 1993 manufacturer \"Sega\"\n"
    "\trom ( name \"Disc (Europe) (Track 01).bin\" size 2352 crc ABCDEF01 sha1 " +
    SHA1_A +
    " flags verified )\n"
    "\trom ( name Disc.cue size 98 crc 12345678 )\n"
    "\tsample ( name x.wav )\n"
    ")\n"
    "resource ( name \"Bios\" rom ( name bios.bin size 4 md5 " +
    MD5_A + " ) )\n";

TEST(DatReading, BothFormsReadIntoOneCatalogue) {
    DatCatalogue catalogue;
    ASSERT_EQ(ParseDat(RealXmlDat(), 0, catalogue), std::nullopt);
    ASSERT_EQ(ParseDat(CLRMAMEPRO_DAT, 1, catalogue), std::nullopt);

    ASSERT_EQ(catalogue.dats.size(), 2u);
    EXPECT_EQ(catalogue.dats[0].name, "Sega - Mega-CD - Sega CD");
    EXPECT_EQ(catalogue.dats[0].description, "Sega - Mega-CD - Sega CD (20240101)");
    EXPECT_EQ(catalogue.dats[0].version, "20240101");
    EXPECT_EQ(catalogue.dats[1].name, "Sega - Mega-CD (Text)");
    EXPECT_EQ(catalogue.dats[1].description, "Text (form)");
    EXPECT_EQ(catalogue.dats[1].version, "2024");
    EXPECT_EQ(catalogue.skippedRoms, 0u);

    ASSERT_EQ(catalogue.games.size(), 4u);
    const DatGame& sonic = catalogue.games[0];
    EXPECT_EQ(sonic.name, "Sonic & Knuckles \"Edition\" (USA)");
    EXPECT_EQ(sonic.description, "Sonic & Knuckles");
    EXPECT_EQ(sonic.dat, 0u);
    ASSERT_EQ(sonic.roms.size(), 3u);
    EXPECT_EQ(sonic.roms[0].crc, 0xDEADBEEFu);
    EXPECT_FALSE(sonic.roms[0].sha1);
    const DatRom& track1 = sonic.roms[1];
    EXPECT_EQ(track1.name, "Sonic (USA) (Track 1).bin");
    EXPECT_EQ(track1.size, 1234567u);
    EXPECT_EQ(track1.crc, 0x0000ABCDu);
    ASSERT_TRUE(track1.md5 && track1.sha1);
    EXPECT_EQ((*track1.md5)[0], 0x01);
    EXPECT_EQ((*track1.md5)[15], 0xEF);
    EXPECT_EQ((*track1.sha1)[0], 0x00);
    EXPECT_EQ((*track1.sha1)[19], 0x33);
    EXPECT_EQ(sonic.roms[2].size, 0u);

    const DatGame& longDisc = catalogue.games[1];  // a <machine>, its <disk> not taken for a rom
    EXPECT_EQ(longDisc.name, "Long Disc (Japan)");
    ASSERT_EQ(longDisc.roms.size(), 2u);
    EXPECT_EQ(longDisc.roms[0].name, "Long Disc (Japan) (Track 01).bin");
    EXPECT_EQ(longDisc.roms[0].size, DAT_ROM_SIZE_LIMIT);
    EXPECT_EQ(longDisc.roms[1].name, "Long Disc (Japan) (Track 12).bin");

    const DatGame& text = catalogue.games[2];
    EXPECT_EQ(text.dat, 1u);
    EXPECT_EQ(text.name, "Disc (Europe) (Track 1) (Rev A)");
    EXPECT_EQ(text.description, "Disc ( Europe )");
    ASSERT_EQ(text.roms.size(), 2u);
    EXPECT_EQ(text.roms[0].name, "Disc (Europe) (Track 01).bin");
    EXPECT_EQ(text.roms[0].crc, 0xABCDEF01u);
    EXPECT_EQ(text.roms[0].sha1, track1.sha1);
    EXPECT_EQ(text.roms[1].name, "Disc.cue");
    EXPECT_EQ(text.roms[1].size, 98u);
    EXPECT_EQ(catalogue.games[3].name, "Bios");
    EXPECT_EQ(catalogue.games[3].roms.at(0).md5, track1.md5);
}

struct BadRom {
    const char* what;
    std::string name, size, crc, md5, sha1;  // "-" leaves the field out
};

// Each bad rom sits between two good ones, in both forms: only it is left out.
TEST(DatReading, RomsWithABadFieldAreSkippedAndTheRestKept) {
    const std::string crc = "0123abcd";
    const std::vector<BadRom> cases = {
        {"empty name", "", "10", crc, "-", "-"},
        {"size with a unit", "a.bin", "10k", crc, "-", "-"},
        {"size of 10^15", "a.bin", "1000000000000000", crc, "-", "-"},
        {"size past 16 GiB", "a.bin", "17179869185", crc, "-", "-"},
        {"size past 64 bits", "a.bin", "999999999999999999999999", crc, "-", "-"},
        {"negative size", "a.bin", "-1", crc, "-", "-"},
        {"empty size", "a.bin", "", crc, "-", "-"},
        {"no size", "a.bin", "-", crc, "-", "-"},
        {"crc of 7 digits", "a.bin", "10", "123abcd", "-", "-"},
        {"crc of 9 digits", "a.bin", "10", "0123abcde", "-", "-"},
        {"crc not hex", "a.bin", "10", "0123abcg", "-", "-"},
        {"crc with 0x", "a.bin", "10", "0x123abc", "-", "-"},
        {"md5 one digit short", "a.bin", "10", "-", MD5_A.substr(1), "-"},
        {"md5 not hex", "a.bin", "10", "-", "z" + MD5_A.substr(1), "-"},
        {"sha1 one digit long", "a.bin", "10", "-", "-", SHA1_A + "0"},
        {"sha1 not hex", "a.bin", "10", crc, "-", SHA1_A.substr(1) + "."},
        {"no hash at all", "a.bin", "10", "-", "-", "-"},
    };
    for (const BadRom& bad : cases) {
        std::string xmlRom = "<rom";
        std::string textRom = "rom (";
        const std::pair<const char*, const std::string*> fields[] = {{"name", &bad.name},
                                                                     {"size", &bad.size},
                                                                     {"crc", &bad.crc},
                                                                     {"md5", &bad.md5},
                                                                     {"sha1", &bad.sha1}};
        for (const auto& [key, value] : fields) {
            if (*value == "-") continue;
            xmlRom += std::string(" ") + key + "=\"" + *value + "\"";
            textRom += std::string(" ") + key + " \"" + *value + "\"";
        }
        xmlRom += "/>";
        textRom += " )";
        const std::string xml =
            "<datafile><game name=\"G\"><rom name=\"first\" size=\"1\" crc=\"00000001\"/>" + xmlRom +
            "<rom name=\"last\" size=\"2\" sha1=\"" + SHA1_A + "\"/></game></datafile>";
        const std::string text = "game ( name G rom ( name first size 1 crc 00000001 ) " + textRom +
                                 " rom ( name last size 2 sha1 " + SHA1_A + " ) )";
        for (const std::string& dat : {xml, text}) {
            DatCatalogue catalogue;
            ASSERT_EQ(ParseDat(dat, 0, catalogue), std::nullopt) << bad.what << ": " << dat;
            ASSERT_EQ(catalogue.games.size(), 1u) << bad.what;
            const auto& roms = catalogue.games[0].roms;
            ASSERT_EQ(roms.size(), 2u) << bad.what << ": " << dat;
            EXPECT_EQ(roms[0].name, "first");
            EXPECT_EQ(roms[1].name, "last");
            EXPECT_EQ(catalogue.skippedRoms, 1u) << bad.what;
        }
    }
}

TEST(DatReading, GamesWithoutANameAreSkipped) {
    const std::string xml =
        "<datafile><game><rom name=\"a\" size=\"1\" crc=\"00000001\"/></game>"
        "<game name=\"\"/><game name=\"Kept\"/></datafile>";
    const std::string text =
        "game ( rom ( name a size 1 crc 00000001 ) ) game ( name \"\" ) game ( name Kept )";
    for (const std::string& dat : {xml, text}) {
        DatCatalogue catalogue;
        ASSERT_EQ(ParseDat(dat, 0, catalogue), std::nullopt) << dat;
        ASSERT_EQ(catalogue.games.size(), 1u) << dat;
        EXPECT_EQ(catalogue.games[0].name, "Kept");
        EXPECT_EQ(catalogue.skippedGames, 2u);
        EXPECT_EQ(catalogue.skippedRoms, 1u);  // the nameless game's rom went with it
    }
}

struct RefusedDat {
    const char* what;
    std::string text;
    std::string reason;  // a part of the reason given
};

// A refused DAT is refused whole: the catalogue keeps exactly what it held before.
TEST(DatReading, DocumentsThatAreNoSoundDatAreRefusedWithTheReason) {
    const std::string real = RealXmlDat();
    const std::string laughs =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [\n <!ENTITY lol \"lol\">\n"
        " <!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
        " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n]>\n"
        "<datafile><game name=\"&lol3;\"><rom name=\"a\" size=\"1\" crc=\"00000001\"/></game></datafile>\n";
    const std::string external =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [ <!ENTITY secret SYSTEM \"file:///etc/passwd\"> ]>\n"
        "<datafile><game name=\"&secret;\"/></datafile>\n";
    const std::string parameter =
        "<!DOCTYPE datafile [ <!ENTITY % remote SYSTEM \"http://127.0.0.1:9/x.dtd\"> %remote; ]>\n"
        "<datafile/>";
    const std::vector<RefusedDat> cases = {
        {"empty", "", "empty"},
        {"blanks only", " \r\n\t", "empty"},
        {"mismatched tags", "<datafile>\n<game name=\"x\">\n</gme>\n</datafile>\n", "not XML: "},
        {"broken attribute", "<datafile>\n\n<game name=x/></datafile>", "at line 3"},
        {"cut off in a rom", real.substr(0, real.find("size=\"1234567\"") + 8), "cut off in the middle"},
        {"cut off in a description", real.substr(0, real.find("Knuckles</description>")),
         "cut off in the middle"},
        {"cut off in a tag name", real.substr(0, real.find("<machine") + 4), "cut off in the middle"},
        {"cut off between games", real.substr(0, real.find("\t<machine")), "cut off in the middle"},
        {"billion laughs", laughs, "declares entities, which are not expanded"},
        {"external entity", external, "declares entities"},
        {"external parameter entity", parameter, "declares entities"},
        {"an HTML page", "<html><body>404</body></html>", "not a DAT"},
        {"text cut off in a block", CLRMAMEPRO_DAT.substr(0, CLRMAMEPRO_DAT.find("\tsample")),
         "cut off in the middle (the block opened at line 9"},
        {"text cut off in a quote", "game ( name \"Disc (Eur", "cut off in the middle"},
        {"text without blocks", "just some\nnotes", "not a DAT"},
        {"text with a stray parenthesis", "game ( name x )\n)",
         "not a DAT: a key word was expected at line 2"},
        {"text of unknown blocks only", "emulator ( name x )", "not a DAT"},
    };
    for (const RefusedDat& refused : cases) {
        DatCatalogue catalogue;
        ASSERT_EQ(ParseDat(CLRMAMEPRO_DAT, 0, catalogue), std::nullopt);
        const size_t games = catalogue.games.size();
        const std::string header = catalogue.dats[0].name;

        const auto reason = ParseDat(refused.text, 0, catalogue);
        ASSERT_TRUE(reason) << refused.what;
        EXPECT_NE(reason->find(refused.reason), std::string::npos) << refused.what << ": " << *reason;
        EXPECT_EQ(catalogue.games.size(), games) << refused.what;
        EXPECT_EQ(catalogue.dats.size(), 1u) << refused.what;
        EXPECT_EQ(catalogue.dats[0].name, header) << refused.what;
    }
}

}  // namespace
}  // namespace cartovex
