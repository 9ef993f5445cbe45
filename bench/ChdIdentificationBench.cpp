// Identifying a disc kept as a CHD, against the way tools that only hash whole images get at its
// contents: "chdman extractcd" unpacking the disc to a BIN and CUE. The identification reads the
// headers, the track list, the map and one hunk; the figures are the bytes it reads and its time,
// each beside chdman's in the same run. The disc's sectors and samples are noise, which packs about
// as badly as real data and music, so the CHD is about the disc's size. Needs chdman (mame-tools).
#include <filesystem>
#include <optional>
#include <string>

#include "BenchKit.h"
#include "disc/RawSector.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdImage.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Chdman.h"
#include "testkit/TempFolder.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

// A disc of some 25 MB: a data track of 2,500 sectors and four audio tracks of 27 seconds each.
constexpr size_t DATA_SECTORS = 2500;
constexpr int AUDIO_TRACKS = 4;
constexpr size_t AUDIO_SECTORS = 2000;
constexpr int REPEATS = 200;

// Noise that is the same in every run.
void FillWithNoise(char* bytes, size_t count, uint32_t& state) {
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = static_cast<char>(state >> 24);
    }
}

// The set the test kit writes, its sectors after the first and its samples made noise; the data
// sectors keep valid error correction, as a real disc's do.
std::optional<std::string> WriteNoisySet(Files& files, const std::string& folder, const HeaderBlock& header) {
    const auto cue =
        testkit::WriteRawTrackSet(files, folder, "Disc", header, AUDIO_TRACKS, DATA_SECTORS, AUDIO_SECTORS);
    if (!cue) return std::nullopt;
    uint32_t state = 1;
    for (int track = 1; track <= AUDIO_TRACKS + 1; ++track) {
        const std::string name =
            folder + "/Disc (Track " + (track < 10 ? "0" : "") + PlainNumber(track) + ").bin";
        auto bytes = files.ReadFile(name, 1u << 30);
        if (!bytes) return std::nullopt;
        if (track == 1) {
            for (size_t s = 1; s < DATA_SECTORS; ++s) {
                char* sector = bytes->data() + s * RAW_SECTOR_SIZE;
                FillWithNoise(sector + RAW_USER_DATA_OFFSET, COOKED_SECTOR_SIZE, state);
                RecomputeMode1Parity(
                    std::span<uint8_t, RAW_SECTOR_SIZE>(reinterpret_cast<uint8_t*>(sector), RAW_SECTOR_SIZE));
            }
        } else {
            FillWithNoise(bytes->data(), bytes->size(), state);
        }
        if (!files.WriteFile(name, *bytes)) return std::nullopt;
    }
    return cue;
}

}  // namespace

int main() {
    if (testkit::ChdmanPath().empty()) {
        std::printf("CHD identification: skipped, chdman is not installed (mame-tools)\n");
        return 0;
    }
    PosixFiles files;
    testkit::TempFolder dir;
    const HeaderBlock header = BenchHeader(1);
    const auto cue = WriteNoisySet(files, dir.Path(), header);
    const std::string chd = dir / "Disc.chd";
    if (!cue || !testkit::MakeChd(*cue, chd)) {
        std::fprintf(stderr, "chdman could not make the CHD\n");
        return 1;
    }
    const uint64_t chdSize = std::filesystem::file_size(chd);
    const uint64_t discSize = (DATA_SECTORS + AUDIO_TRACKS * AUDIO_SECTORS) * 2352;

    uint64_t bytesRead = 0;
    const ByteSource counted = [&](uint64_t offset, std::span<uint8_t> out) {
        const auto got = files.ReadAt(chd, offset, out);
        if (got) bytesRead += *got;
        return got;
    };
    HeaderBlock found{};
    if (ReadChdHeaderFrom(counted, chdSize, found).result != ChdReading::Result::IMAGE_FOUND ||
        found != header) {
        std::fprintf(stderr, "the CHD was not identified\n");
        return 1;
    }
    const uint64_t identifyBytes = bytesRead;
    const double identify = Timed([&] {
                                for (int i = 0; i < REPEATS; ++i) ReadChdHeaderFrom(counted, chdSize, found);
                            }) /
                            REPEATS;
    const double extract = Timed([&] {
        if (!testkit::RunChdman(
                {"extractcd", "-i", chd, "-o", dir / "Out.cue", "-ob", dir / "Out.bin", "-f"}))
            std::fprintf(stderr, "chdman extractcd failed\n");
    });

    std::printf("Identifying a CHD (a %.0f MB disc, %.1f MB as CHD):\n", discSize / 1e6, chdSize / 1e6);
    Figure("chdman extractcd, the whole disc unpacked (baseline)", extract * 1e3, "ms");
    Figure("identification", identify * 1e3, "ms");
    AtLeast("identification faster than extractcd by", extract / identify, 100);
    Figure("bytes chdman reads (the whole CHD)", static_cast<double>(chdSize) / 1e3, "kB");
    Figure("bytes the identification reads", static_cast<double>(identifyBytes) / 1e3, "kB");
    AtLeast("identification reads less than extractcd by", static_cast<double>(chdSize) / identifyBytes, 100);
    return 0;
}
