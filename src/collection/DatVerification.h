// Checking a collection against DAT files, writing what it misses, and learning the header database
// from the discs the DATs verify.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "collection/DatabaseBuilder.h"
#include "dats/DatCatalogue.h"
#include "state/Program.h"
#include "verify/Verification.h"

namespace cartovex {

/// DAT files are looked for here, in the start folder, when none is given.
constexpr const char* DATS_FOLDER_NAME = "dats";

using LineSink = std::function<void(const std::string& line)>;

/// Loads the DAT files `dats`, or when none is given every DAT of the start folder's "dats" folder.
/// Each file that can't be read is one line to `problem`; then, or when there is no DAT at all,
/// nothing is returned.
std::optional<DatCatalogue> LoadCatalogue(Program& program, const std::vector<std::string>& dats,
                                          const LineSink& problem);

struct VerifyTally {
    size_t verified = 0, bad = 0, unknown = 0;
    /// The games some disc was verified as, in catalogue order, each once.
    std::vector<size_t> verifiedGames;
    size_t Discs() const { return verified + bad + unknown; }
};

/// Checks every disc below `paths` (absolute; images or folders), reading hashes from the start
/// folder's cache where the files are unchanged and saving it after. Each disc's report goes to
/// `onDisc` as soon as it is made; what is not a disc's (a folder that can't be read, a path that is
/// not there, the cache) to `note`.
VerifyTally VerifyCollection(Program& program, const DatCatalogue& catalogue,
                             const std::vector<std::string>& paths,
                             const std::function<void(const DiscReport&)>& onDisc, const LineSink& note);

/// The summary line: "3 discs: 2 verified, 1 bad, 0 unknown."
std::string TallyLine(const VerifyTally& tally);

/// Writes a DAT of the catalogue's games that `tally` did not verify; the line saying so, or why not.
std::string WriteMissingGames(Program& program, const DatCatalogue& catalogue, const VerifyTally& tally,
                              const std::string& path);

/// "Verify against DAT files...": a folder from the folder browser checked against the DATs of the
/// start folder's "dats" folder, a line per disc in the pane.
void VerifyAgainstDats(Program& program);

/// make-db from verified dumps: one entry per disc below `folder` that the catalogue verifies, named
/// after its game and counted with the game's audio tracks. Every disc left out is a problem line.
BuiltDatabase BuildDatabaseFromDats(Program& program, const std::string& folder,
                                    const DatCatalogue& catalogue);

}  // namespace cartovex
