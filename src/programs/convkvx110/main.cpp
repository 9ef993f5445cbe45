// convkvx110: writes a copy of a Sega CD image for another region.
//   convkvx110 -o OUTPUT -d e|j|u SOURCE
// The copy is written beside its final name, under a fresh scratch name, and takes that name only
// once it is complete and on the disc, so an earlier output of the same name survives a failed run
// and nothing is written through a link. The source is never written to.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
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

// Hands the patched start and then the rest of the source to `append`.
bool CopyWithPatchedStart(const fs::path& source, const std::vector<uint8_t>& start,
                          const std::function<bool(std::string_view)>& append) {
    std::ifstream in(source, std::ios::binary);
    if (!in || !append({reinterpret_cast<const char*>(start.data()), start.size()})) return false;
    in.seekg(static_cast<std::streamoff>(start.size()));
    std::vector<char> buffer(1 << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (!append({buffer.data(), static_cast<size_t>(in.gcount())})) return false;
    }
    return !in.bad();
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

    const bool written =
        files->WriteFileFrom(output, [&](const std::function<bool(std::string_view)>& append) {
            return CopyWithPatchedStart(source, start, append);
        });
    if (!written) return Fail("cannot write " + output);
    std::printf("Converted %s (region %c) to %s (region %c)\n", source.c_str(), original, output.c_str(),
                RegionLetter(*target));
    return 0;
}
