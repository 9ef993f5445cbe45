#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "dats/DatCatalogue.h"
#include "testkit/SpyFiles.h"
#include "testkit/TempFolder.h"

namespace cartovex {
namespace {

const std::string SMALL_DAT =
    "clrmamepro ( name \"Small\" )\ngame ( name \"One\" rom ( name a.bin size 1 crc 00000001 ) )\n";

class DatFilesTest : public ::testing::Test {
protected:
    testkit::TempFolder dir;
    testkit::SpyFiles files;
};

TEST_F(DatFilesTest, ALoadedFileIsANewDatNamedByItsPath) {
    const std::string first = dir.Write("first.dat", SMALL_DAT);
    const std::string second = dir.Write("sub/Second.XML", "<datafile><game name=\"Two\"/></datafile>");
    DatCatalogue catalogue;
    ASSERT_EQ(LoadDatFile(files, first, catalogue), std::nullopt);
    ASSERT_EQ(LoadDatFile(files, second, catalogue), std::nullopt);
    ASSERT_EQ(catalogue.dats.size(), 2u);
    EXPECT_EQ(catalogue.dats[0].path, first);
    EXPECT_EQ(catalogue.dats[0].fileName, "first.dat");
    EXPECT_EQ(catalogue.dats[0].name, "Small");
    EXPECT_EQ(catalogue.dats[1].fileName, "Second.XML");
    EXPECT_EQ(catalogue.dats[1].name, "");
    ASSERT_EQ(catalogue.games.size(), 2u);
    EXPECT_EQ(catalogue.games[1].dat, 1u);
}

TEST_F(DatFilesTest, FilesThatCantBeLoadedLeaveTheCatalogueAsItWas) {
    const std::string good = dir.Write("good.dat", SMALL_DAT);
    const std::string cut = dir.Write("cut.dat", SMALL_DAT.substr(0, SMALL_DAT.size() - 4));
    // A sparse file: 200 MB long, no blocks on the disc; it must be refused by its length alone.
    const std::string huge = dir / "huge.dat";
    {
        std::filesystem::path path(huge);
        std::FILE* f = std::fopen(huge.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        std::filesystem::resize_file(path, 200ull << 20);
    }
    const std::string limit = dir / "limit.dat";
    {
        std::FILE* f = std::fopen(limit.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        std::filesystem::resize_file(limit, DAT_SIZE_LIMIT + 1);
    }
    const std::string folder = dir.MakeFolder("folder.dat");

    DatCatalogue catalogue;
    ASSERT_EQ(LoadDatFile(files, good, catalogue), std::nullopt);
    files.ResetCounts();
    const std::pair<std::string, std::string> cases[] = {
        {huge, "larger than 64 MB"}, {limit, "larger than 64 MB"},   {dir / "missing.dat", "can't be read"},
        {folder, "can't be read"},   {cut, "cut off in the middle"},
    };
    for (const auto& [path, reason] : cases) {
        const auto failure = LoadDatFile(files, path, catalogue);
        ASSERT_TRUE(failure) << path;
        EXPECT_NE(failure->find(reason), std::string::npos) << path << ": " << *failure;
        EXPECT_EQ(catalogue.dats.size(), 1u);
        EXPECT_EQ(catalogue.games.size(), 1u);
    }
    // Only the cut file was read (parsed where it was read, then read again for the reason): the
    // oversized ones, the folder and the missing file never were.
    EXPECT_EQ(files.Calls("ReadAt"), 2);

    files.Fail("ReadAt", good);
    const auto unreadable = LoadDatFile(files, good, catalogue);
    ASSERT_TRUE(unreadable);
    EXPECT_EQ(*unreadable, "can't be read");
}

// The parse in the loaded text itself folds line ends and escapes; the reason's line is still the
// file's own.
TEST_F(DatFilesTest, AFileRefusedNamesTheLineOfTheFault) {
    std::string dat = "<datafile>\r\n";
    for (int i = 0; i < 20; ++i)
        dat +=
            "<game name=\"A &amp; B\r\n&quot;C&quot;\"><description>x\r\n&lt;y&gt;</description></game>\r\n";
    dat += "<game name=\"bad\"></gam>\r\n</datafile>\r\n";
    const std::string path = dir.Write("bad.xml", dat);
    DatCatalogue catalogue;
    const auto failure = LoadDatFile(files, path, catalogue);
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("not XML: "), std::string::npos) << *failure;
    EXPECT_NE(failure->find(" at line 62"), std::string::npos) << *failure;
    EXPECT_TRUE(catalogue.dats.empty());
}

TEST_F(DatFilesTest, AFolderOffersItsDatAndXmlFilesInNameOrder) {
    dir.Write("dats/b.DAT", "");
    dir.Write("dats/A.xml", "");
    dir.Write("dats/c.dat.txt", "");
    dir.Write("dats/readme.txt", "");
    dir.Write("dats/.hidden.dat", "");
    dir.Write("dats/deeper/d.dat", "");
    dir.MakeFolder("dats/folder.xml");
    const std::string dats = dir / "dats";
    EXPECT_EQ(DatFilesInFolder(files, dats), (std::vector<std::string>{dats + "/A.xml", dats + "/b.DAT"}));
    EXPECT_TRUE(DatFilesInFolder(files, dir / "none").empty());
    EXPECT_TRUE(DatFilesInFolder(files, "").empty());
}

}  // namespace
}  // namespace cartovex
