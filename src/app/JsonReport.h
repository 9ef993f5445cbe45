// The analysis of one image as one line of JSON, for scripts. Header texts are single bytes in the
// disc's character set; each byte becomes the character of the same number (Latin-1), so every
// header, however odd, gives valid UTF-8 and can be turned back into its bytes.
#pragma once

#include <string>
#include <string_view>

#include "common/Utf8.h"
#include "state/Program.h"
#include "verify/Verification.h"

namespace cartovex {

/// Whether this build writes JSON (it needs nlohmann's JSON library at build time).
bool JsonOutputSupported();

/// The object for the image the last analysis looked at: `path` as given, and whether the analysis
/// accepted it. A rejected image's object holds its path, `"accepted": false` and the rejection
/// `message` only; an accepted one every header field and what the analysis made of them. The
/// current directory must be the image's folder still (the image format is read from it).
std::string ImageReportJson(Program& program, const std::string& path, bool accepted,
                            const std::string& message);

/// One disc's verdict as one line of JSON: its path, "status" ("verified", "bad" or "unknown"),
/// the "game" and its "dat" file (null when no game is known), "aliases", "problems" and every
/// track's name, size and hashes.
std::string VerifyReportJson(const DatCatalogue& catalogue, const DiscReport& report);

}  // namespace cartovex
