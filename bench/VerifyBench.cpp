// Verifying a disc is reading and hashing, so it is measured against what a user would otherwise
// run over the same files in the same run: `rhash --crc32 --sha1` (the same two digests), `cat`
// into /dev/null (reading alone, the floor), and for the CHD made from the files, `chdman verify`
// (which also decodes every hunk and hashes the whole disc). The page cache is warm for all of
// them: each file is read once first. Needs rhash and chdman; a missing one is reported and its
// comparison left out.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/Chdman.h"
#include "testkit/TempFolder.h"
#include "verify/TrackHashing.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

// A disc of some 190 MB: a data track of 45,000 sectors and six audio tracks of a minute and a half.
constexpr size_t DATA_SECTORS = 45000;
constexpr int AUDIO_TRACKS = 6;
constexpr size_t AUDIO_SECTORS = 6750;
constexpr size_t SECTOR = 2352;
constexpr int REPEATS = 3;

std::string Noise(size_t count, uint32_t& state) {
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

// Samples that wander like music, so the CHD's FLAC has something to pack.
std::string Music(size_t sectors, uint32_t& state) {
    std::string bytes(SECTOR * sectors, '\0');
    int value = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        state = state * 1664525u + 1013904223u;
        value = std::clamp(value + static_cast<int>(state >> 26) - 31, -30000, 30000);
        bytes[i] = static_cast<char>(value & 0xFF);
        bytes[i + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    return bytes;
}

std::string Quoted(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& path : paths) text += " '" + path + "'";
    return text;
}

bool Installed(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

double Best(const std::function<bool()>& work) {
    double best = 1e30;
    for (int i = 0; i < REPEATS; ++i) {
        bool ok = true;
        const double seconds = Timed([&] { ok = work(); });
        if (!ok) return -1;
        best = std::min(best, seconds);
    }
    return best;
}

// The program's own loop at a chosen block size, to pick the one it reads with.
bool HashAtBlockSize(const Files& files, const std::vector<std::string>& paths, size_t blockSize) {
    std::vector<uint8_t> block(blockSize);
    for (const std::string& path : paths) {
        auto file = files.OpenForReading(path);
        if (!file) return false;
        TrackHasher hasher;
        for (uint64_t at = 0; at < file->Length();) {
            auto got = file->ReadAt(at, block);
            if (!got || *got == 0) return false;
            hasher.Update(std::span<const uint8_t>(block.data(), *got));
            at += *got;
        }
        hasher.Finish();
    }
    return true;
}

}  // namespace

int main() {
    PosixFiles files;
    testkit::TempFolder dir;
    uint32_t state = 1;
    std::vector<std::string> tracks;
    std::string sheet;
    uint64_t total = 0;
    for (int track = 1; track <= AUDIO_TRACKS + 1; ++track) {
        const std::string name = "Disc (Track " + PlainNumber(track) + ").bin";
        const std::string bytes =
            track == 1 ? Noise(SECTOR * DATA_SECTORS, state) : Music(AUDIO_SECTORS, state);
        tracks.push_back(dir.Write(name, bytes));
        total += bytes.size();
        sheet += "FILE \"" + name + "\" BINARY\n  TRACK " + (track < 10 ? "0" : "") + PlainNumber(track) +
                 (track == 1 ? " MODE1/2352\n" : " AUDIO\n") + "    INDEX 01 00:00:00\n";
    }
    const std::string cue = dir.Write("Disc.cue", sheet);
    const double megabytes = static_cast<double>(total) / 1e6;
    std::printf("Verifying %d track files, %.0f MB (%s), page cache warm, best of %d\n", AUDIO_TRACKS + 1,
                megabytes, HashingBackends().c_str(), REPEATS);
    std::system(("cat" + Quoted(tracks) + " >/dev/null").c_str());

    const double cat =
        Best([&] { return std::system(("cat" + Quoted(tracks) + " >/dev/null").c_str()) == 0; });
    const double ours = Best([&] {
        for (const std::string& path : tracks)
            if (HashFile(files, path, false).fault) return false;
        return true;
    });
    if (ours < 0) {
        std::fprintf(stderr, "a track could not be hashed\n");
        return 1;
    }
    for (size_t blockSize : {size_t{64} << 10, size_t{256} << 10, size_t{1} << 20, size_t{4} << 20}) {
        const double seconds = Best([&] { return HashAtBlockSize(files, tracks, blockSize); });
        Figure("Cartovex, blocks of " + PlainNumber(static_cast<int>(blockSize >> 10)) + " KiB",
               megabytes / seconds, "MB/s");
    }
    Figure("cat into /dev/null (reading alone)", megabytes / cat, "MB/s");
    Figure("Cartovex HashFile, CRC-32 + SHA-1", megabytes / ours, "MB/s");
    if (Installed("rhash")) {
        const double rhash = Best([&] {
            return std::system(("rhash --crc32 --sha1" + Quoted(tracks) + " >/dev/null").c_str()) == 0;
        });
        Figure("rhash --crc32 --sha1", megabytes / rhash, "MB/s");
        RatioAtLeast("Cartovex's throughput against rhash's (x)", rhash / ours, 1);
    } else {
        std::printf("  rhash is not installed: its comparison is left out\n");
    }
    Figure("Cartovex's share of cat's throughput", cat / ours, "x");

    if (testkit::ChdmanPath().empty()) {
        std::printf("  chdman is not installed (mame-tools): the CHD comparison is left out\n");
        return 0;
    }
    const std::string chd = dir / "Disc.chd";
    if (!testkit::MakeChd(cue, chd)) {
        std::fprintf(stderr, "chdman could not make the CHD\n");
        return 1;
    }
    std::system(("cat '" + chd + "' >/dev/null").c_str());
    const double chdSize = static_cast<double>(std::filesystem::file_size(chd)) / 1e6;
    const double chdOurs = Best([&] { return !HashChdTracks(files, chd, false).fault; });
    const double chdman = Best([&] { return testkit::RunChdman({"verify", "-i", chd}); });
    std::printf("The same disc as a CHD of %.0f MB (chdman's default codecs), in disc MB/s\n", chdSize);
    Figure("Cartovex HashChdTracks", megabytes / chdOurs, "MB/s");
    Figure("chdman verify", megabytes / chdman, "MB/s");
    RatioAtLeast("Cartovex's throughput against chdman verify's (x)", chdman / chdOurs, 1);
    return 0;
}
