// Writes the seed inputs of the fuzz targets that the test-image builder can make, into
// fuzz/corpus/<target>/. Run it from the source folder after changing the builder:
//   build/default/tools/makeseeds/cartovex-makeseeds fuzz/corpus
// With --chdman it writes only CHD seeds made by chdman (scripts/fuzz.sh makes them at fuzz time
// into its working corpus, so they come from the chdman installed there and nothing binary of
// chdman's is committed):
//   cartovex-makeseeds --chdman build/fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/ChdWriter.h"
#include "testkit/Chdman.h"
#include "testkit/Companions.h"
#include "testkit/ImageBuilder.h"

using namespace cartovex;

namespace {

std::string Block(const HeaderBlock& header) {
    return std::string(header.begin(), header.end());
}

// A header block followed by database lines, one of them naming the block's checksum.
std::string DecoderSeed(const testkit::HeaderSpec& fields) {
    const HeaderBlock header = testkit::BuildHeader(fields);
    return Block(header) + "\r\nOther#0#0\r\nTitle#" + HexForm(HeaderChecksum(header)) + "#2\r\n";
}

testkit::ChdLayout SeedChd(const HeaderBlock& header) {
    testkit::ChdLayout layout;
    layout.codecs = {CODEC_CD_ZLIB, CODEC_CD_LZMA, 0, 0};
    layout.data = testkit::CdFrames(testkit::RawImage(header, 16), 2352) + std::string(4 * 2448, '\x5A');
    layout.metadata = {{"CHT2", testkit::TrackLine(1, "MODE1_RAW", 16)},
                       {"CHT2", testkit::TrackLine(2, "AUDIO", 4)}};
    layout.hunks[2] = testkit::CopyOfHunk(0);  // a copy of the first hunk
    return layout;
}

// CHD seeds from chdman: small sets in each codec, packed and stored. chdman breaks the map of
// some discs of only a few hunks (MakeChd refuses those files); these sets stay clear of that.
int WriteChdmanSeeds(const std::string& root) {
    if (testkit::ChdmanPath().empty()) {
        std::fprintf(stderr, "cartovex-makeseeds: chdman is not installed (mame-tools)\n");
        return 1;
    }
    PosixFiles files;
    const std::string folder = root + "/chd";
    const std::string work = folder + "/.sets";
    std::filesystem::create_directories(work);
    const HeaderBlock header = testkit::BuildHeader({});
    // Each under the fuzzer's 64 KiB: a stored file keeps every frame whole, and FLAC packs data
    // sectors poorly, so those two get short data tracks.
    struct Seed {
        std::string codecs;
        size_t dataSectors;
        int audioTracks;
        size_t audioSectors;
    };
    int failures = 0;
    for (const Seed& seed :
         {Seed{"cdlz", 100, 1, 4}, Seed{"cdzl", 100, 1, 4}, Seed{"cdfl", 16, 3, 20}, Seed{"none", 8, 0, 0}}) {
        const auto cue = testkit::WriteRawTrackSet(files, work, "seed", header, seed.audioTracks,
                                                   seed.dataSectors, seed.audioSectors);
        if (!cue || !testkit::MakeChd(*cue, folder + "/chdman-" + seed.codecs, seed.codecs)) {
            std::fprintf(stderr, "cartovex-makeseeds: chdman made no usable %s seed\n", seed.codecs.c_str());
            ++failures;
        }
    }
    std::filesystem::remove_all(work);
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--chdman") return WriteChdmanSeeds(argv[2]);
    const std::string root = argc > 1 ? argv[1] : "fuzz/corpus";
    PosixFiles files;
    auto put = [&](const std::string& target, const std::string& name, const std::string& content) {
        std::filesystem::create_directories(root + "/" + target);
        if (!files.WriteFile(root + "/" + target + "/" + name, content))
            std::fprintf(stderr, "could not write %s/%s\n", target.c_str(), name.c_str());
    };

    struct Variant {
        const char* name;
        void (*change)(testkit::HeaderSpec&);
    };
    const std::vector<Variant> variants = {
        {"plain", [](testkit::HeaderSpec&) {}},
        {"t-code",
         [](testkit::HeaderSpec& s) {
             s.copyrightInfo = "(C)T-25 1993.JAN";
             s.serialField = "T-25036 -00 ";
         }},
        {"shifted-serial",
         [](testkit::HeaderSpec& s) {
             s.softwareType = "MK";
             s.localName = "WONDERDOG";
             s.serialField = "4429 -00    ";
         }},
        {"japan-devices",
         [](testkit::HeaderSpec& s) {
             s.regionByte = 0xA1;
             s.deviceSupport = "J6M4KBR";
         }},
        {"europe-converted",
         [](testkit::HeaderSpec& s) {
             s.regionByte = 0x64;
             s.conversionMarks[3] = "MoDJ";
         }},
        {"serial-two-pieces", [](testkit::HeaderSpec& s) { s.serialField = "ABC-01"; }},
        {"nul-cut", [](testkit::HeaderSpec& s) { s.serialField = std::string("G-6039\0xx", 9); }},
    };
    for (const Variant& v : variants) {
        testkit::HeaderSpec fields;
        v.change(fields);
        put("decoders", v.name, DecoderSeed(fields));
    }

    put("cue", "crlf", testkit::CueSheet("Game.bin", 3));
    put("cue", "lf", testkit::CueSheet("Game.bin", 2, "\n"));
    put("cue", "cr", testkit::CueSheet("Game.bin", 1, "\r"));

    put("playlist", "sheets", "#EXTM3U\r\nGame (Disc 1).cue\r\nGame (Disc 2).cue\r\n");
    put("playlist", "bom-lf", "\xEF\xBB\xBFgame_1.chd\ngame_2.chd");
    put("playlist", "clonecd", "[CloneCD]\r\nVersion=3\r\n[TRACK 1]\r\nMODE=1\r\n[TRACK 2]\r\nMODE=0\r\n");
    put("playlist", "title", "Willow_Saga_(USA)_(Disc_2)(DUPE)");

    put("settings", "all-on",
        "UpdateSite=www.example.org\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\n"
        "TOGGLE_FIXCUE=on\r\nTOGGLE_UNDERSCORE=on\r\n");
    put("settings", "odd", "Site=a=b\nTOGGLE=off\r\r\nX=On\r\x1A=on\r\n");

    // What chdman never writes: a plain map, a version 4 file, a copy of an earlier hunk.
    testkit::ChdLayout chd = SeedChd(testkit::BuildHeader({}));
    put("chd", "compressed-map", testkit::WriteChdFile(chd));
    chd.compressedMap = false;
    put("chd", "plain-map", testkit::WriteChdFile(chd));
    chd.version = 4;
    chd.hunks.clear();
    put("chd", "version-4", testkit::WriteChdFile(chd));

    int n = 0;
    for (const char* title : {"Sonic CD", "Snatcher_(DUPE)", "COM1", "LPT\xB9.iso", "Ends.", ".hack", "A/B"})
        put("title", "title-" + PlainNumber(++n), title);
    return 0;
}
