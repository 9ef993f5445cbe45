// The collection scan of a folder of 5,000 entries (folders and files named the way processing
// names them) against a full database of 451 entries. The baseline is one listing of the folder,
// the part no scan can do without.
#include <filesystem>
#include <string>

#include "BenchKit.h"
#include "collection/Collection.h"
#include "platform/posix/PosixFiles.h"
#include "testkit/TempFolder.h"
#include "testkit/TestProgram.h"

using namespace cartovex;
using namespace cartovex::bench;

int main() {
    constexpr int ENTRIES = 5000;
    constexpr int REPEATS = 10;
    testkit::CurrentDirectoryGuard guard;
    testkit::TempFolder start, collection;
    PosixFiles files;
    for (int i = 0; i < ENTRIES; ++i) {
        const std::string name = "Bench_Disc_" + PlainNumber(10000 + i);
        if (i % 2 == 0)
            std::filesystem::create_directory(collection / name);
        else
            files.WriteFile(collection / (name + ".iso"), "x");
    }

    std::filesystem::current_path(start.Path());
    testkit::TestProgram test;
    Program& program = test.program;
    // About half the titles are in the collection, so both lists are long.
    for (int i = 0; i < HEADER_DATABASE_SLOTS; ++i)
        program.database.entries[static_cast<size_t>(program.database.count++)] =
            "Bench Disc " + PlainNumber(10000 + 20 * i) + "#" + HexForm(static_cast<uint32_t>(i)) + "#0";

    const double listing = Timed([&] {
                               for (int i = 0; i < REPEATS; ++i) (void)files.ListTopLevel(collection.Path());
                           }) /
                           REPEATS;
    const double scan = Timed([&] {
                            for (int i = 0; i < REPEATS; ++i) {
                                test.dialogs.QueueFolder(collection.Path());
                                ScanCollection(program);
                            }
                        }) /
                        REPEATS;
    std::printf("Collection scan of %d entries against %d database entries:\n", ENTRIES,
                HEADER_DATABASE_SLOTS);
    Figure("one listing of the folder (baseline)", listing * 1e3, "ms");
    Figure("scan", scan * 1e3, "ms");
    Figure("scan / listing", scan / listing, "");
    std::printf("  %s\n", program.pane.Text().substr(2).c_str());
    return 0;
}
