// convkvx110: writes a copy of a Sega CD image for another region.
//   convkvx110 -o OUTPUT -d e|j|u SOURCE
// The copy is written beside its final name and takes that name only once it is complete, so an
// earlier output of the same name survives a failed run. The source is never written to.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disc/HeaderReader.h"
#include "disc/RawSector.h"
#include "disc/RegionPatch.h"
#include "platform/Native.h"

namespace fs = std::filesystem;
using namespace cartovex;

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "convkvx110: %s\n", message.c_str());
    return 1;
}

int Usage() {
    std::fprintf(stderr, "usage: convkvx110 -o OUTPUT -d e|j|u SOURCE\n");
    return 2;
}

bool CopyWithPatchedStart(const fs::path& source, const fs::path& temp, const std::vector<uint8_t>& start) {
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!in || !out) return false;
    out.write(reinterpret_cast<const char*>(start.data()), static_cast<std::streamsize>(start.size()));
    in.seekg(static_cast<std::streamoff>(start.size()));
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        out.write(buffer.data(), in.gcount());
    }
    out.flush();
    return !in.bad() && static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string output, region, source;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc) {
            output = argv[++i];
        } else if (arg == "-d" && i + 1 < argc) {
            region = argv[++i];
        } else if (source.empty() && !arg.empty() && arg[0] != '-') {
            source = arg;
        } else {
            return Usage();
        }
    }
    auto target = RegionByteFor(region);
    if (output.empty() || source.empty() || !target) return Usage();

    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return Fail("cannot read " + source);
    if (fs::exists(output, ec) && fs::equivalent(source, output, ec))
        return Fail("the output would overwrite its own source: " + output);

    auto files = MakeNativeFiles();
    HeaderBlock header{};
    HeaderReadResult layout = ReadHeaderBlock(*files, source, header);
    if (!IsAccepted(layout)) return Fail(source + " is not a Sega CD image");

    size_t sectorSize = layout == HeaderReadResult::ACCEPTED_RAW ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE;
    std::vector<uint8_t> start(sectorSize, 0);
    auto read = files->ReadAt(source, 0, start);
    if (!read) return Fail("cannot read " + source);
    start.resize(std::max(*read, layout == HeaderReadResult::ACCEPTED_RAW
                                     ? RAW_SECTOR_PREFIX + HEADER_BLOCK_SIZE
                                     : HEADER_BLOCK_SIZE));
    char original = PatchFirstSector(start, layout, *target);

    fs::path outputPath(output);
    fs::path temp = outputPath;
    temp += ".convkvx-part";
    if (!CopyWithPatchedStart(source, temp, start)) {
        fs::remove(temp, ec);
        return Fail("cannot write " + output);
    }
    fs::rename(temp, outputPath, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Fail("cannot write " + output);
    }
    std::printf("Converted %s (region %c) to %s (region %c)\n", source.c_str(), original, output.c_str(),
                RegionLetter(*target));
    return 0;
}
