// CHD files made by chdman (Debian's mame-tools) from disc sets the builder writes: the files our
// reader meets in real collections.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "disc/HeaderBlock.h"

namespace cartovex {
class Files;
}

namespace cartovex::testkit {

/// The full path of chdman, or empty when it is not installed.
std::string ChdmanPath();

/// Runs chdman with `args` (its output thrown away); true when it ran and exited with status 0.
bool RunChdman(std::vector<std::string> args);

/// Runs "chdman createcd -i `cue` -o `chd` [-c `codecs`]" (chdman's default codecs when empty);
/// true when the CHD was made and chdman reads it back itself.
bool MakeChd(const std::string& cue, const std::string& chd, const std::string& codecs = "");

/// The data tracks are 100 sectors long by default: chdman 0.251 writes maps it can't read back itself
/// for many discs of 3 to 8 hunks (24 to 64 frames).

/// A multi-track set in `folder`: the raw data track "`stem` (Track 01).bin" (`dataSectors` sectors),
/// `audioTracks` audio tracks "`stem` (Track 02).bin" and on (`audioSectors` each), and "`stem`.cue"
/// naming them all. The sheet's path, or nothing when a write failed.
std::optional<std::string> WriteRawTrackSet(Files& files, const std::string& folder, const std::string& stem,
                                            const HeaderBlock& header, int audioTracks,
                                            size_t dataSectors = 100, size_t audioSectors = 20);

/// An ISO data track "`stem`.iso" with WAV tracks "`stem` 02.wav" and on, and "`stem`.cue" naming them.
std::optional<std::string> WriteIsoWavSet(Files& files, const std::string& folder, const std::string& stem,
                                          const HeaderBlock& header, int audioTracks,
                                          size_t dataSectors = 100, size_t audioSectors = 20);

/// Writes a set and makes "`stem`.chd" of it beside it; the CHD's path, or nothing.
std::optional<std::string> MakeChdOfRawSet(Files& files, const std::string& folder, const std::string& stem,
                                           const HeaderBlock& header, int audioTracks,
                                           const std::string& codecs = "");

}  // namespace cartovex::testkit

/// In a test that needs chdman: skips it on a machine without chdman, but fails it in CI, which
/// installs it (scripts/install-deps.sh tests).
#define CARTOVEX_REQUIRE_CHDMAN()                                                             \
    do {                                                                                      \
        if (::cartovex::testkit::ChdmanPath().empty()) {                                      \
            if (std::getenv("CI")) FAIL() << "chdman is not installed (Debian's mame-tools)"; \
            GTEST_SKIP() << "chdman is not installed (Debian's mame-tools)";                  \
        }                                                                                     \
    } while (false)
