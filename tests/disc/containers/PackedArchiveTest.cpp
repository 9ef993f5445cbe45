#include <gtest/gtest.h>

#include <cstdlib>

#include "disc/containers/Archive.h"
#include "outputs/Processing.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"
#include "testkit/PackedArchiveWriter.h"
#include "testkit/TempFolder.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

using testkit::PackedMember;

HeaderBlock Disc(const std::string& title) {
    testkit::HeaderSpec fields;
    fields.localName = title;
    return testkit::BuildHeader(fields);
}

ArchiveReadResult Read(const std::string& archive, HeaderBlock& header) {
    return ReadPackedArchiveHeaderFrom(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(archive.data()), archive.size()), header);
}

PackedMember Member(std::string name, std::string content) {
    return {std::move(name), std::move(content), false, false, std::nullopt};
}

PackedMember Folder(std::string name) {
    return {std::move(name), "", true, false, std::nullopt};
}

class PackedArchive : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PackedArchivesSupported()) GTEST_SKIP() << "built without libarchive";
    }
};

// Both kinds, so every rule is checked for each.
struct Kind {
    const char* name;
    std::string (*build)(const std::vector<PackedMember>&);
};
const Kind KINDS[] = {
    {"7z", [](const std::vector<PackedMember>& m) { return testkit::Build7z(m); }},
    {"7z stored", [](const std::vector<PackedMember>& m) { return testkit::Build7z(m, false); }},
    {"rar", [](const std::vector<PackedMember>& m) { return testkit::BuildRar4(m); }},
};

TEST_F(PackedArchive, TheFirstRegularMemberNamedLikeAnImageThatIsOneIsTheOneRead) {
    const HeaderBlock game = Disc("GAME"), disc = Disc("DISC");
    struct Case {
        std::vector<PackedMember> members;
        ArchiveReadResult result;
        const HeaderBlock* header;
    };
    const std::vector<Case> cases = {
        {{Member("readme.txt", "hello"), Member("track02.mp3", "ID3"),
          Member("game.bin", testkit::CookedImage(game, 2))},
         ArchiveReadResult::IMAGE_FOUND,
         &game},
        // A member named like an image that isn't one (an audio track, say) is passed over.
        {{Member("data.bin", std::string(4000, 'x')), Member("disc.iso", testkit::CookedImage(disc, 2))},
         ArchiveReadResult::IMAGE_FOUND,
         &disc},
        {{Member("data.bin", std::string(4000, 'x')), Member("other.iso", std::string(4000, 'y'))},
         ArchiveReadResult::MEMBER_NOT_SEGA_CD,
         nullptr},
        {{Member("GAME.ISO", testkit::CookedImage(game, 2))}, ArchiveReadResult::IMAGE_FOUND, &game},
        {{Member("dir/Game.Raw", testkit::RawImage(disc, 2))}, ArchiveReadResult::IMAGE_FOUND, &disc},
        // A folder carrying an image's name holds no bytes to read; the file after it does.
        {{Folder("old.iso"), Member("old.iso/game.bin", testkit::RawImage(game, 2))},
         ArchiveReadResult::IMAGE_FOUND,
         &game},
        {{Member("readme.txt", "hello"), Member("game.bin.txt", testkit::CookedImage(game, 2))},
         ArchiveReadResult::NO_IMAGE_MEMBER,
         nullptr},
        {{Folder("a.bin"), Folder("b.iso")}, ArchiveReadResult::NO_IMAGE_MEMBER, nullptr},
        {{Member("short.iso", "SEGADISC")}, ArchiveReadResult::IMAGE_FOUND, nullptr},
        {{Member("empty.iso", "")}, ArchiveReadResult::MEMBER_NOT_SEGA_CD, nullptr},
    };
    for (const Kind& kind : KINDS) {
        for (size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(std::string(kind.name) + " case " + std::to_string(i));
            const std::string archive = kind.build(cases[i].members);
            ASSERT_FALSE(archive.empty());
            HeaderBlock header{};
            header.fill(0xEE);
            EXPECT_EQ(Read(archive, header), cases[i].result);
            if (cases[i].header) {
                EXPECT_EQ(header, *cases[i].header);
            }
            if (cases[i].result != ArchiveReadResult::IMAGE_FOUND) {
                EXPECT_EQ(header[0], 0xEE);
            }
        }
    }
}

TEST_F(PackedArchive, BrokenEncryptedAndOversizedArchivesEndCleanly) {
    const HeaderBlock game = Disc("GAME");
    const std::string raw = testkit::RawImage(game, 2);
    HeaderBlock header{};

    // A member that claims 8 GiB is read as far as the block only.
    PackedMember huge = Member("huge.bin", raw.substr(0, 4000));
    huge.claimedSize = uint64_t{8} << 30;
    EXPECT_EQ(Read(testkit::BuildRar4({huge}, false), header), ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(header, game);

    // There is no password to give, so an encrypted member holds no image, whatever its bytes.
    PackedMember secret = Member("game.bin", raw);
    secret.encrypted = true;
    EXPECT_EQ(Read(testkit::BuildRar4({secret}), header), ArchiveReadResult::MEMBER_NOT_SEGA_CD);

    EXPECT_EQ(Read("", header), ArchiveReadResult::NOT_AN_ARCHIVE);
    EXPECT_EQ(Read(testkit::BuildZip({{"game.bin", raw, true, ""}}), header),
              ArchiveReadResult::NOT_AN_ARCHIVE);

    // Every cut of a good archive: never an image other than the real one, never a crash.
    for (const Kind& kind : KINDS) {
        const std::string archive = kind.build({Member("readme.txt", "hi"), Member("game.bin", raw)});
        for (size_t length = 0; length < archive.size(); length += 97) {
            SCOPED_TRACE(std::string(kind.name) + " cut at " + std::to_string(length));
            HeaderBlock cut{};
            cut.fill(0xEE);
            if (Read(archive.substr(0, length), cut) == ArchiveReadResult::IMAGE_FOUND) {
                EXPECT_EQ(cut, game);
            } else {
                EXPECT_EQ(cut[0], 0xEE);
            }
        }
    }
}

// What 7-Zip itself writes: a packed directory by default, a plain one on request, many members, a
// filter chain. The checks made before libarchive sees an archive must let all of it through.
TEST_F(PackedArchive, ArchivesWrittenBy7ZipAreRead) {
    if (std::system("command -v 7z >/dev/null 2>&1") != 0) GTEST_SKIP() << "7z (p7zip-full) is not installed";
    const HeaderBlock game = Disc("GAME");
    testkit::TempFolder folder;
    folder.Write("in/game.bin", testkit::RawImage(game, 4));
    for (int i = 0; i < 300; ++i) folder.Write("in/extras/note" + std::to_string(i) + ".txt", "note");
    const std::vector<std::string> switches = {"", "-mhc=off", "-mx=0", "-m0=BCJ -m1=LZMA2", "-ms=off"};
    for (size_t i = 0; i < switches.size(); ++i) {
        SCOPED_TRACE(switches[i]);
        const std::string name = "a" + std::to_string(i) + ".7z";
        const std::string command = "cd '" + folder.Path() + "/in' && 7z a -bd " + switches[i] + " '" +
                                    folder / name + "' extras game.bin >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        HeaderBlock header{};
        EXPECT_EQ(Read(folder.Read(name), header), ArchiveReadResult::IMAGE_FOUND);
        EXPECT_EQ(header, game);
    }
}

class PackedArchiveAnalysis : public PackedArchive {
protected:
    testkit::AnalysisBench bench;
    DiscInfo& disc = bench.program().disc;
};

TEST_F(PackedArchiveAnalysis, OneRawImageGivesOneChecksumAsZip7zAndRar) {
    const HeaderBlock game = Disc("STAR QUEST");
    const std::string raw = testkit::RawImage(game, 4);
    bench.images.Write("zip/Star.zip", testkit::BuildZip({{"Star.bin", raw, true, ""}}));
    bench.images.Write("7z/Star.7z", testkit::Build7z({Member("Star.bin", raw)}));
    bench.images.Write("rar/Star.RAR", testkit::BuildRar4({Member("Star.bin", raw)}));

    std::vector<uint32_t> checksums;
    for (const auto& [path, extension] : std::vector<std::pair<std::string, std::string>>{
             {"zip/Star.zip", "zip"}, {"7z/Star.7z", "7z"}, {"rar/Star.RAR", "rar"}}) {
        SCOPED_TRACE(path);
        const auto lines = bench.Analyse(bench.images / path);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "Opened (" + disc.fileName + ") Successfully!");
        EXPECT_EQ(disc.extension, extension);
        checksums.push_back(disc.crc32);
    }
    EXPECT_EQ(checksums[0], HeaderChecksum(game));
    EXPECT_EQ(checksums[1], checksums[0]);
    EXPECT_EQ(checksums[2], checksums[0]);
}

TEST_F(PackedArchiveAnalysis, ArchivesWithoutAnImageGetTheArchiveMessages) {
    bench.images.Write("a/notsega.rar", testkit::BuildRar4({Member("data.bin", std::string(3000, 'x'))}));
    bench.images.Write("b/broken.7z", "7z\xBC\xAF\x27\x1C but nothing after");
    const auto notSega = bench.Analyse(bench.images / "a/notsega.rar");
    EXPECT_EQ(notSega, (std::vector<std::string>{
                           "This archive does not contain any Sega CD Image! File will be ignored.",
                           "There is no Sega CD image in this archive!"}));
    EXPECT_FALSE(bench.ProcessEnabled());
    EXPECT_EQ(bench.Analyse(bench.images / "b/broken.7z"),
              std::vector<std::string>{"There is no Sega CD image in this archive!"});
}

TEST_F(PackedArchiveAnalysis, AProcessed7zIsRenamedAndGetsNoCueSheet) {
    const HeaderBlock game = Disc("STAR QUEST");
    const std::string archive = bench.images.Write(
        "Star/Star.7z", testkit::Build7z({Member("Star.bin", testkit::RawImage(game, 4))}));
    bench.Know("Star Quest", game, 0);
    bench.Analyse(archive);
    ASSERT_EQ(disc.matchIndex, 0);
    bench.window().SetMenuItemState(CMD_TOGGLE_GENERATE_CUE, MENU_CHECKED);
    bench.window().SetMenuItemState(CMD_TOGGLE_UNDERSCORE, MENU_CHECKED);
    bench.window().SetMenuItemState(CMD_TOGGLE_RENAME_FOLDER, MENU_ENABLED);
    const size_t before = bench.program().pane.Text().size();
    ASSERT_EQ(ProcessImage(bench.program()), ProcessOutcome::DONE);
    EXPECT_TRUE(bench.images.Exists("Star/Star_Quest.7z"));
    EXPECT_FALSE(bench.images.Exists("Star/Star_Quest.CUE"));
    const auto lines = bench.NewLines(before);
    for (const std::string& line : lines) EXPECT_EQ(line.find("CUE"), std::string::npos) << line;
    EXPECT_EQ(lines.back(), "Process done.");
}

}  // namespace
}  // namespace cartovex
