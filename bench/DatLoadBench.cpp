// Loading DAT files. The Sega CD catalogue has about 500 games of some ten roms each, about 1 MB
// as XML: loading it is timed against reading its bytes alone (warm page cache) in the same run,
// for both forms. A DAT as large as the loader takes (64 MB) shows what one costs in memory: the
// peak resident size it adds, against its size.
#include <sys/resource.h>

#include <cinttypes>
#include <cstdio>

#include "BenchKit.h"
#include "dats/DatCatalogue.h"
#include "dats/DatIndex.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"

using namespace cartovex;
using namespace cartovex::bench;

namespace {

constexpr int GAMES = 500;
constexpr int REPEATS = 50;

// A hash's hex digits that differ from rom to rom, as real ones do.
std::string Hex(uint64_t& state, size_t digits) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    std::string hex(digits, '0');
    for (char& c : hex) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        c = DIGITS[state >> 60];
    }
    return hex;
}

// One game in either form: a sheet and 2 to 20 tracks, numbered with two digits from ten tracks on.
std::string Game(int number, bool xml, uint64_t& state) {
    const std::string name =
        "Bench Game " + PlainNumber(number) + " (USA) (Rev " + PlainNumber(number % 3) + ")";
    const int tracks = 2 + number % 19;
    std::string out = xml ? "\t<game name=\"" + name + "\">\n\t\t<description>" + name + "</description>\n"
                          : "game (\n\tname \"" + name + "\"\n\tdescription \"" + name + "\"\n";
    for (int track = 0; track <= tracks; ++track) {
        const std::string number2 = (tracks >= 10 && track < 10 ? "0" : "") + PlainNumber(track);
        const std::string rom = track == 0 ? name + ".cue" : name + " (Track " + number2 + ").bin";
        const std::string size = PlainNumber(track == 0 ? 1000 + number : 1000000 + 2352 * (number + track));
        const std::string crc = Hex(state, 8), md5 = Hex(state, 32), sha1 = Hex(state, 40);
        out += xml ? "\t\t<rom name=\"" + rom + "\" size=\"" + size + "\" crc=\"" + crc + "\" md5=\"" + md5 +
                         "\" sha1=\"" + sha1 + "\"/>\n"
                   : "\trom ( name \"" + rom + "\" size " + size + " crc " + crc + " md5 " + md5 + " sha1 " +
                         sha1 + " )\n";
    }
    out += xml ? "\t</game>\n" : ")\n\n";
    return out;
}

// Written piece by piece, so the writer never holds a large DAT whole.
bool WriteDat(Files& files, const std::string& path, bool xml, uint64_t bytesAtLeast, int gamesAtLeast) {
    return files.WriteFileFrom(path, [&](const auto& append) {
        uint64_t written = 0;
        const std::string head =
            xml ? "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management "
                  "Datafile//EN\" \"http://www.logiqx.com/Dats/datafile.dtd\">\n<datafile>\n\t<header>\n"
                  "\t\t<name>Bench</name>\n\t\t<version>1</version>\n\t</header>\n"
                : "clrmamepro (\n\tname \"Bench\"\n\tversion 1\n)\n\n";
        if (!append(head)) return false;
        written += head.size();
        uint64_t state = 1;
        const std::string tail = xml ? "</datafile>\n" : "";
        for (int number = 0; number < gamesAtLeast || written + 4096 + tail.size() < bytesAtLeast; ++number) {
            const std::string game = Game(number, xml, state);
            if (written + game.size() + tail.size() > bytesAtLeast && number >= gamesAtLeast) break;
            if (!append(game)) return false;
            written += game.size();
        }
        return append(tail);
    });
}

double PeakResidentMB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

}  // namespace

int main() {
    PosixFiles files;
    testkit::TempFolder dir;
    std::printf("Loading a DAT of %d games (about ten roms each):\n", GAMES);
    for (const bool xml : {true, false}) {
        const std::string path = dir / (xml ? "bench.xml" : "bench.dat");
        if (!WriteDat(files, path, xml, 0, GAMES)) {
            std::fprintf(stderr, "the DAT could not be written\n");
            return 1;
        }
        DatCatalogue check;
        if (const auto failure = LoadDatFile(files, path, check); failure || check.games.size() != GAMES) {
            std::fprintf(stderr, "the DAT was not loaded: %s\n",
                         failure ? failure->c_str() : "games missing");
            return 1;
        }
        const double size = static_cast<double>(*files.FileLength(path));
        const double read = Timed([&] {
                                for (int i = 0; i < REPEATS; ++i)
                                    if (!files.ReadFile(path)) std::fprintf(stderr, "read failed\n");
                            }) /
                            REPEATS;
        const double load = Timed([&] {
                                for (int i = 0; i < REPEATS; ++i) {
                                    DatCatalogue catalogue;
                                    LoadDatFile(files, path, catalogue);
                                }
                            }) /
                            REPEATS;
        const double index = Timed([&] {
                                 for (int i = 0; i < REPEATS; ++i) DatIndex built(check);
                             }) /
                             REPEATS;
        const std::string form = xml ? "Logiqx XML" : "clrmamepro text";
        std::printf(" %s, %.2f MB:\n", form.c_str(), size / 1e6);
        Figure("reading its bytes alone (baseline)", read * 1e3, "ms");
        Figure("loading it into a catalogue", load * 1e3, "ms");
        Figure("loading against reading its bytes", load / read, "x");
        Ratio("loading time, ms (goal: well under 50 ms)", load * 1e3, 50);
        Figure("indexing the catalogue", index * 1e3, "ms");
    }

    // Memory: the largest DAT the loader takes, loaded once in a process that has held little else.
    const std::string large = dir / "large.xml";
    if (!WriteDat(files, large, true, DAT_SIZE_LIMIT, 0)) {
        std::fprintf(stderr, "the large DAT could not be written\n");
        return 1;
    }
    const double size = static_cast<double>(*files.FileLength(large));
    const double before = PeakResidentMB();
    DatCatalogue catalogue;
    double load = 0;
    const auto failure = [&] {
        std::optional<std::string> result;
        load = Timed([&] { result = LoadDatFile(files, large, catalogue); });
        return result;
    }();
    if (failure) {
        std::fprintf(stderr, "the large DAT was not loaded: %s\n", failure->c_str());
        return 1;
    }
    const double added = PeakResidentMB() - before;
    std::printf(" the largest DAT taken, Logiqx XML, %.1f MB, %zu games:\n", size / 1e6,
                catalogue.games.size());
    Figure("loading it", load * 1e3, "ms");
    Figure("peak memory it adds", added, "MB");
    Ratio("peak memory against its size", added / (size / (1 << 20)), 4);
    return 0;
}
