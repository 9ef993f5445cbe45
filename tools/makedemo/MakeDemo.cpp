// Writes the demo data that the README's quick start runs on, and describes it.
#include <cstdio>
#include <string>

#include "common/Text.h"
#include "disc/Crc32.h"
#include "disc/HeaderReader.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/ImageBuilder.h"

using namespace cartovex;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cartovex-makedemo OUTPUT-FOLDER\n");
        return 2;
    }
    PosixFiles files;
    std::string folder = argv[1];
    testkit::HeaderSpec spec;
    spec.localName = "STAR QUEST";
    spec.worldName = "STAR QUEST";
    spec.copyrightInfo = "(C)T-25 1993.JAN";
    spec.serialField = "T-25036 -00 ";
    std::string path = files.Join(folder, "Star Quest.bin");
    if (!files.WriteFile(path, testkit::RawImage(testkit::BuildHeader(spec)))) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }
    HeaderBlock header{};
    if (!IsAccepted(ReadHeaderBlock(files, path, header))) return 1;
    std::printf("%s\nCRC32 Checksum      : %s\nLocal Name          : %s\nSerial              : %s\n", path.c_str(),
                HexForm(HeaderChecksum(header)).c_str(), LocalName(header).c_str(), SerialField(header).c_str());
    return 0;
}
