// A small collection of invented discs in every layout the analysis knows, with the reference files
// that identify them. The demo generator writes it for the quick start; the tests analyse every
// image of it and check the result the summary promises.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cartovex {
class Files;
}

namespace cartovex::testkit {

struct DemoDisc {
    std::string imagePath;  // relative to the output folder, '/'-separated
    std::string layout;  // how it is stored: "ISO+MP3", "BIN+CUE", "ZIP", "BIN/CUE set" (one file a track)...
    std::string displayName;  // the name line its analysis shows
    int audioTracks = 0;      // what the analysis counts beside it
};

struct DemoCollection {
    std::vector<DemoDisc> discs;
    std::vector<std::string> databaseEntries;             // DATA.KVX lines after the version line
    std::vector<std::pair<int, std::string>> developers;  // DEVELOPPER.KVX codes and names
    std::vector<std::string> haveList;                    // KVX_HAVE.TXT lines
};

/// The DAT of some of the demo's discs, in the demo folder's "dats" folder.
constexpr const char* DEMO_DAT_NAME = "Cartovex demo.dat";

/// Writes the discs below `folder`/collection, and DATA.KVX, DEVELOPPER.KVX and KVX_HAVE.TXT into
/// `folder`, and a DAT of the demo's multi-track set (and a disc it lacks) into `folder`/dats; nothing
/// when a write failed.
std::optional<DemoCollection> WriteDemoCollection(Files& files, const std::string& folder);

}  // namespace cartovex::testkit
