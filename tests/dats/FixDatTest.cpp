#include <gtest/gtest.h>

#include <cstdlib>

#include "dats/FixDat.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

DatCatalogue SourceCatalogue() {
    const std::string sha1 = "00112233445566778899aabbccddeeff00112233";
    const std::string dat =
        "<datafile><header><name>Sega - Mega-CD &amp; Sega CD</name><version>20240101</version></header>"
        "<game name=\"Have (USA)\"><rom name=\"h.bin\" size=\"1\" crc=\"00000001\"/></game>"
        "<game name=\"Tom &amp; Jerry &lt;&quot;Ed&quot;&gt; (Europe)\"><description>T &amp; J</description>"
        "<rom name=\"T&amp;J (Track 1).bin\" size=\"123456789\" crc=\"ABCDEF01\" "
        "md5=\"0123456789ABCDEF0123456789ABCDEF\" sha1=\"" +
        sha1 +
        "\"/>"
        "<rom name=\"T&amp;J (Track 2).bin\" size=\"2352\" sha1=\"" +
        sha1 +
        "\"/></game>"
        "<game name=\"Odd&#9;&#1;\xC3\x28 Bytes\"><rom name=\"odd.bin\" size=\"0\" crc=\"ffffffff\"/></game>"
        "</datafile>";
    DatCatalogue catalogue;
    catalogue.dats.push_back({"/x/sega.dat", "sega.dat", "", "", ""});
    if (ParseDat(dat, 0, catalogue)) ADD_FAILURE() << "the source DAT was refused";
    catalogue.dats.push_back({"/x/extra.dat", "extra.dat", "", "", ""});
    return catalogue;
}

TEST(FixDat, ListsTheMissingGamesWholeAndReadsBackAsTheSame) {
    const DatCatalogue catalogue = SourceCatalogue();
    ASSERT_EQ(catalogue.games.size(), 3u);
    const std::vector<size_t> missing = {2, 1, 2, 99};  // a repeat and an index past the end
    const std::string fixdat = WriteFixDat(catalogue, missing, "2026-12-08");

    EXPECT_TRUE(
        fixdat.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE datafile PUBLIC "
                           "\"-//Logiqx//DTD ROM Management Datafile//EN\""));
    EXPECT_NE(fixdat.find("<date>2026-12-08</date>"), std::string::npos);
    EXPECT_NE(fixdat.find("crc=\"abcdef01\" md5=\"0123456789abcdef0123456789abcdef\""), std::string::npos);

    DatCatalogue back;
    ASSERT_EQ(ParseDat(fixdat, 0, back), std::nullopt);
    EXPECT_EQ(back.skippedRoms, 0u);
    // The header names the source DATs, by header name or else by file name.
    EXPECT_NE(back.dats[0].name.find("missing from Sega - Mega-CD & Sega CD (20240101), extra.dat"),
              std::string::npos)
        << back.dats[0].name;
    EXPECT_NE(back.dats[0].description.find("2026-12-08"), std::string::npos);
    ASSERT_EQ(back.games.size(), 2u);
    // What XML can't carry (a control character, a broken UTF-8 byte) comes back as U+FFFD.
    EXPECT_EQ(back.games[0].name, "Odd\t\xEF\xBF\xBD\xEF\xBF\xBD( Bytes");
    const DatGame& tom = catalogue.games[1];
    const DatGame& tomBack = back.games[1];
    EXPECT_EQ(tomBack.name, tom.name);
    EXPECT_EQ(tomBack.description, tom.description);
    ASSERT_EQ(tomBack.roms.size(), tom.roms.size());
    for (size_t r = 0; r < tom.roms.size(); ++r) {
        EXPECT_EQ(tomBack.roms[r].name, tom.roms[r].name);
        EXPECT_EQ(tomBack.roms[r].size, tom.roms[r].size);
        EXPECT_EQ(tomBack.roms[r].crc, tom.roms[r].crc);
        EXPECT_EQ(tomBack.roms[r].md5, tom.roms[r].md5);
        EXPECT_EQ(tomBack.roms[r].sha1, tom.roms[r].sha1);
    }
}

// Other readers than ours must take it: libxml2 checks it is well-formed, Python's ElementTree reads
// the game and rom names.
TEST(FixDat, IndependentXmlParsersReadIt) {
    const DatCatalogue catalogue = SourceCatalogue();
    const std::vector<size_t> missing = {0, 1, 2};
    testkit::TempFolder dir;
    const std::string fixdat = dir.Write("fix.dat", WriteFixDat(catalogue, missing, "2026-12-08"));
    const std::string empty = dir.Write("empty.dat", WriteFixDat(DatCatalogue{}, {}, "2026-12-08"));

    if (std::system("xmllint --version >/dev/null 2>&1") != 0) {
        ADD_FAILURE() << "xmllint is missing (libxml2-utils, scripts/install-deps.sh tests)";
    } else {
        for (const std::string& path : {fixdat, empty})
            EXPECT_EQ(std::system(("xmllint --noout --nonet '" + path + "'").c_str()), 0) << path;
    }
    const std::string script = dir.Write("read.py",
                                         "import sys, xml.etree.ElementTree as ET\n"
                                         "root = ET.parse(sys.argv[1]).getroot()\n"
                                         "out = open(sys.argv[2], 'w', encoding='utf-8')\n"
                                         "out.write(root.tag + '|' + root.find('header/date').text + '\\n')\n"
                                         "for g in root.findall('game'):\n"
                                         "    out.write(g.get('name') + '|' + '|'.join(r.get('name') + ':' + "
                                         "r.get('size') for r in g.findall('rom')) + '\\n')\n");
    const std::string out = dir / "out.txt";
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + fixdat + "' '" + out + "'").c_str()), 0);
    EXPECT_EQ(dir.Read("out.txt"),
              "datafile|2026-12-08\n"
              "Have (USA)|h.bin:1\n"
              "Tom & Jerry <\"Ed\"> (Europe)|T&J (Track 1).bin:123456789|T&J (Track 2).bin:2352\n"
              "Odd\t\xEF\xBF\xBD\xEF\xBF\xBD( Bytes|odd.bin:0\n");
}

}  // namespace
}  // namespace cartovex
