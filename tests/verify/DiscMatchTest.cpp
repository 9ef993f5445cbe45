#include <gtest/gtest.h>

#include "verify/DiscMatch.h"

namespace cartovex {
namespace {

// A track whose every hash is made from one number, so tests speak of tracks as numbers.
HashedTrack Track(uint8_t id, uint64_t size = 1000, std::string name = "") {
    HashedTrack track;
    track.name = name.empty() ? "t" + std::to_string(id) + ".bin" : name;
    track.digest.size = size;
    track.digest.crc = id;
    track.digest.sha1.fill(id);
    return track;
}

DatRom Rom(const HashedTrack& track, std::string name) {
    return DatRom{std::move(name), track.digest.size, track.digest.crc, std::nullopt, track.digest.sha1};
}

// A game of the given tracks, with its sheet first as the DATs list it.
DatGame Game(std::string name, const std::vector<HashedTrack>& tracks) {
    DatGame game;
    game.name = name;
    game.roms.push_back({name + ".cue", 90, 0x1234u, std::nullopt, Sha1Digest{}});
    for (size_t i = 0; i < tracks.size(); ++i)
        game.roms.push_back(Rom(tracks[i], name + " (Track " + std::to_string(i + 1) + ").bin"));
    return game;
}

struct Case {
    const char* what;
    std::vector<HashedTrack> disc;
    VerifyStatus status;
    std::optional<size_t> game;
    std::vector<std::string> problems;
    std::vector<size_t> aliases = {};
};

class DiscMatchTest : public ::testing::TestWithParam<Case> {};

// Game 0: tracks 1, 2, 3. Game 1: tracks 10, 2 (it shares track 2, a silent track, with game 0).
// Game 2: track 20 alone; game 3 lists the same track as game 2 (a re-release).
DatCatalogue Catalogue() {
    DatCatalogue catalogue;
    catalogue.dats.push_back({"x.dat", "x.dat", "X", "", ""});
    catalogue.games.push_back(Game("Alpha", {Track(1), Track(2), Track(3, 500)}));
    catalogue.games.push_back(Game("Beta", {Track(10), Track(2)}));
    catalogue.games.push_back(Game("Gamma", {Track(20)}));
    catalogue.games.push_back(Game("Gamma Rerelease", {Track(20)}));
    return catalogue;
}

TEST_P(DiscMatchTest, JudgesTheDisc) {
    const Case& c = GetParam();
    const DatCatalogue catalogue = Catalogue();
    const DatIndex index(catalogue);
    const DiscVerdict verdict = MatchDisc(catalogue, index, c.disc);
    EXPECT_EQ(verdict.status, c.status);
    EXPECT_EQ(verdict.game, c.game);
    EXPECT_EQ(verdict.problems, c.problems);
    EXPECT_EQ(verdict.aliases, c.aliases);
}

HashedTrack Changed(HashedTrack track) {
    track.digest.sha1[0] ^= 0xFF;
    return track;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DiscMatchTest,
    ::testing::Values(
        Case{"every track, in sheet order",
             {Track(1), Track(2), Track(3, 500)},
             VerifyStatus::VERIFIED,
             0,
             {}},
        Case{"names and order don't matter",
             {Track(3, 500, "x.bin"), Track(1, 1000, "y.iso"), Track(2)},
             VerifyStatus::VERIFIED,
             0,
             {}},
        Case{"the disc's own sheet is passed over",
             {Track(99, 70, "Alpha.cue"), Track(1), Track(2), Track(3, 500)},
             VerifyStatus::VERIFIED,
             0,
             {}},
        Case{"one audio track damaged",
             {Track(1), Changed(Track(2)), Track(3, 500)},
             VerifyStatus::BAD,
             0,
             {"track 2 differs"}},
        Case{"the last track missing", {Track(1), Track(2)}, VerifyStatus::BAD, 0, {"track 3 is missing"}},
        Case{"a damaged data track with every other track whole",
             {Changed(Track(1)), Track(2), Track(3, 500)},
             VerifyStatus::BAD,
             0,
             {"track 1 differs"}},
        Case{"a shared silent track alone decides nothing",
             {Track(77), Track(2)},
             VerifyStatus::UNKNOWN,
             std::nullopt,
             {}},
        Case{"nothing known", {Track(50)}, VerifyStatus::UNKNOWN, std::nullopt, {}},
        Case{"the data track of the other game sharing a track",
             {Track(10), Track(2)},
             VerifyStatus::VERIFIED,
             1,
             {}},
        Case{"one track twice can't stand for two",
             {Track(1), Track(2), Track(2)},
             VerifyStatus::BAD,
             0,
             {"track 3 differs"}},
        Case{"the same hashes in two games: the first, with its alias",
             {Track(20)},
             VerifyStatus::VERIFIED,
             2,
             {},
             {3}},
        Case{"a size that differs is another file",
             {Track(1, 999), Track(2), Track(3, 500)},
             VerifyStatus::BAD,
             0,
             {"track 1 differs"}}),
    [](const ::testing::TestParamInfo<Case>& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        return name;
    });

TEST(TrackIsRomTest, TakesTheStrongestHashBothHave) {
    HashedTrack track = Track(5);
    DatRom rom{"a.bin", 1000, 5u, std::nullopt, std::nullopt};
    EXPECT_TRUE(TrackIsRom(track, rom)) << "a DAT with CRCs only";
    rom.sha1 = Changed(track).digest.sha1;
    EXPECT_FALSE(TrackIsRom(track, rom)) << "the SHA-1 decides over a matching CRC";
    Md5Digest md5{};
    md5.fill(5);
    track.digest.md5 = md5;
    rom = DatRom{"a.bin", 1000, 6u, md5, std::nullopt};
    EXPECT_TRUE(TrackIsRom(track, rom)) << "the MD5 decides over a CRC";
    EXPECT_FALSE(TrackIsRom(track, DatRom{"a.cue", 1000, 5u, std::nullopt, std::nullopt}));
}

}  // namespace
}  // namespace cartovex
