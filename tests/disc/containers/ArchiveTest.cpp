#include <gtest/gtest.h>

#include <cstring>

#include "disc/Crc32.h"
#include "disc/containers/Archive.h"
#include "testkit/AnalysisBench.h"
#include "testkit/ImageBuilder.h"
#include "testkit/ZipWriter.h"

namespace cartovex {
namespace {

using testkit::BuildHeader;
using testkit::BuildZip;
using testkit::ZipMember;

HeaderBlock Disc(const std::string& title) {
    testkit::HeaderSpec fields;
    fields.localName = title;
    return BuildHeader(fields);
}

ArchiveReadResult Read(const std::string& archive, HeaderBlock& header) {
    return ReadArchiveHeaderFrom(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(archive.data()), archive.size()), header);
}

ZipMember Member(std::string name, std::string content, bool deflate = true) {
    return {std::move(name), std::move(content), deflate, ""};
}

TEST(ArchiveHeader, TheFirstMemberNamedLikeAnImageThatIsOneIsTheOneRead) {
    const HeaderBlock game = Disc("GAME"), disc = Disc("DISC");
    struct Case {
        std::vector<ZipMember> members;
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
        {{Member("GAME.ISO", testkit::CookedImage(game, 2), false)}, ArchiveReadResult::IMAGE_FOUND, &game},
        {{Member("dir/Game.Raw", testkit::RawImage(disc, 2))}, ArchiveReadResult::IMAGE_FOUND, &disc},
        {{Member("game.bin", testkit::RawImage(game, 2), false)}, ArchiveReadResult::IMAGE_FOUND, &game},
        {{Member("readme.txt", "hello"), Member("game.bin.txt", testkit::CookedImage(game, 2))},
         ArchiveReadResult::NO_IMAGE_MEMBER,
         nullptr},
        {{Member("a/", ""), Member("b.bin/", ""), Member("c.iso/", "")},
         ArchiveReadResult::NO_IMAGE_MEMBER,
         nullptr},
        {{Member("empty.iso", "")}, ArchiveReadResult::MEMBER_NOT_SEGA_CD, nullptr},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const std::string archive = BuildZip(cases[i].members);
        ASSERT_FALSE(archive.empty()) << i;
        HeaderBlock header{};
        header.fill(0xEE);
        EXPECT_EQ(Read(archive, header), cases[i].result) << "case " << i;
        if (cases[i].header) {
            EXPECT_EQ(header, *cases[i].header) << "case " << i;
        } else {
            EXPECT_EQ(header[0], 0xEE) << "case " << i << ": the block changes only when an image was found";
        }
    }
}

TEST(ArchiveHeader, PackedAndUnpackedImagesOfOneDiscShareTheirChecksum) {
    const HeaderBlock disc = Disc("SAME");
    HeaderBlock cooked{}, raw{};
    ASSERT_EQ(Read(BuildZip({Member("a.iso", testkit::CookedImage(disc, 2))}), cooked),
              ArchiveReadResult::IMAGE_FOUND);
    ASSERT_EQ(Read(BuildZip({Member("a.bin", testkit::RawImage(disc, 2))}), raw),
              ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(HeaderChecksum(cooked), HeaderChecksum(disc));
    EXPECT_EQ(HeaderChecksum(raw), HeaderChecksum(disc));
}

TEST(ArchiveHeader, BrokenArchivesAreNoArchives) {
    const std::string archive = BuildZip({Member("game.iso", testkit::CookedImage(Disc("GAME"), 4))});
    HeaderBlock header{};
    EXPECT_EQ(Read("", header), ArchiveReadResult::NOT_AN_ARCHIVE);
    EXPECT_EQ(Read(BuildZip({}), header),
              ArchiveReadResult::NOT_AN_ARCHIVE);  // the library refuses one without members
    EXPECT_EQ(Read("just some text\r\n", header), ArchiveReadResult::NOT_AN_ARCHIVE);
    EXPECT_EQ(Read(archive.substr(0, archive.size() / 2), header), ArchiveReadResult::NOT_AN_ARCHIVE);
    EXPECT_EQ(Read(archive.substr(0, archive.size() - 30), header), ArchiveReadResult::NOT_AN_ARCHIVE);

    // Damaged compressed data: the member can't be decompressed, so it holds no image.
    std::string damaged = archive;
    const size_t data = 30 + std::string("game.iso").size();
    for (size_t i = data; i < data + 40; ++i) damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    EXPECT_NE(Read(damaged, header), ArchiveReadResult::IMAGE_FOUND);
}

TEST(ArchiveHeader, MemberNamesAreJudgedWhole) {
    const std::string image = testkit::CookedImage(Disc("GAME"), 2);
    const std::string other = testkit::CookedImage(Disc("OTHER"), 2);
    HeaderBlock header{};
    // Longer than the name buffer: its ending can't be seen, so it is passed over.
    const std::string longName = std::string(297, 'n') + ".bin";
    ASSERT_EQ(Read(BuildZip({Member(longName, image), Member("other.iso", other)}), header),
              ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(header, Disc("OTHER"));
    // The first 256 bytes of this name end in "bin"; the name doesn't.
    const std::string cut = std::string(253, 'n') + "bin" + std::string(40, 'x') + ".txt";
    EXPECT_EQ(Read(BuildZip({Member(cut, image)}), header), ArchiveReadResult::NO_IMAGE_MEMBER);
    // A name that fills the buffer exactly still counts.
    const std::string exact = std::string(252, 'e') + ".iso";
    ASSERT_EQ(Read(BuildZip({Member(exact, image)}), header), ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(header, Disc("GAME"));
    // A NUL inside the name: "x.bin" is not what the name says.
    const std::string nul = std::string("x.bin\0.txt", 10);
    EXPECT_EQ(Read(BuildZip({Member(nul, image)}), header), ArchiveReadResult::NO_IMAGE_MEMBER);
    const std::string nulImage = std::string("x\0y.bin", 7);
    EXPECT_EQ(Read(BuildZip({Member(nulImage, image)}), header), ArchiveReadResult::NO_IMAGE_MEMBER);
}

TEST(ArchiveHeader, EncryptedMembersHoldNoImage) {
    const std::string image = testkit::CookedImage(Disc("GAME"), 2);
    HeaderBlock header{};
    for (bool deflate : {true, false}) {
        ZipMember secret{"game.iso", image, deflate, "secret"};
        EXPECT_EQ(Read(BuildZip({secret}), header), ArchiveReadResult::MEMBER_NOT_SEGA_CD) << deflate;
    }
}

TEST(ArchiveHeader, OnlyTheBlockIsReadWhateverTheMemberSize) {
    // 8 MiB of zeros behind the block inflate from a few kilobytes.
    std::string bomb = testkit::CookedImage(Disc("BOMB"), 1);
    bomb.resize(8u << 20, '\0');
    const std::string archive = BuildZip({Member("bomb.bin", bomb)});
    ASSERT_LT(archive.size(), 256u << 10);
    HeaderBlock header{};
    EXPECT_EQ(Read(archive, header), ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(header, Disc("BOMB"));

    // A big stored member: only its start and the archive's directory are read from the source.
    std::string stored = testkit::CookedImage(Disc("BIG"), 1) + std::string(8u << 20, 'z');
    const std::string big = BuildZip({Member("big.iso", stored, false)});
    uint64_t bytesRead = 0;
    ByteSource source = [&](uint64_t offset, std::span<uint8_t> out) -> std::optional<size_t> {
        if (offset >= big.size()) return 0;
        size_t n = std::min(out.size(), static_cast<size_t>(big.size() - offset));
        std::memcpy(out.data(), big.data() + offset, n);
        bytesRead += n;
        return n;
    };
    EXPECT_EQ(ReadArchiveHeaderFrom(source, big.size(), header), ArchiveReadResult::IMAGE_FOUND);
    EXPECT_EQ(header, Disc("BIG"));
    EXPECT_LT(bytesRead, 512u << 10);
}

TEST(ArchiveHeader, ASourceThatFailsIsNoArchive) {
    HeaderBlock header{};
    ByteSource failing = [](uint64_t, std::span<uint8_t>) -> std::optional<size_t> { return std::nullopt; };
    EXPECT_EQ(ReadArchiveHeaderFrom(failing, 100000, header), ArchiveReadResult::NOT_AN_ARCHIVE);
}

}  // namespace
}  // namespace cartovex
