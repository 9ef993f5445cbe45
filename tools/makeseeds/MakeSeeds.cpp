// Writes the seed inputs of the fuzz targets that the test-image builder can make, into
// fuzz/corpus/<target>/. Run it from the source folder after changing the builder:
//   build/default/tools/makeseeds/cartovex-makeseeds fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "platform/posix/PosixFiles.h"
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

}  // namespace

int main(int argc, char** argv) {
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

    put("settings", "all-on",
        "UpdateSite=www.example.org\r\nTOGGLE_LOG=on\r\nTOGGLE_CUE=on\r\nTOGGLE_RENAMEFOLDER=on\r\n"
        "TOGGLE_FIXCUE=on\r\nTOGGLE_UNDERSCORE=on\r\n");
    put("settings", "odd", "Site=a=b\nTOGGLE=off\r\r\nX=On\r\x1A=on\r\n");

    int n = 0;
    for (const char* title : {"Sonic CD", "Snatcher_(DUPE)", "COM1", "LPT\xB9.iso", "Ends.", ".hack", "A/B"})
        put("title", "title-" + PlainNumber(++n), title);
    return 0;
}
