// A header database made from a collection the user has verified: one DATA.KVX entry per image
// below a folder, named after the image's folder, so a collector can share what they have.
#pragma once

#include <string>
#include <vector>

#include "app/Program.h"

namespace cartovex {

struct BuiltDatabase {
    /// The DATA.KVX text: the version line "1", then "name#checksum#tracks" lines, each ending in CR LF.
    std::string text;
    int entries = 0;
    /// One line for each image left out (rejected, a name the file can't hold, a checksum listed
    /// already) and for a database larger than the program reads.
    std::vector<std::string> problems;
};

/// Analyses every image below `folder` (quietly; nothing is renamed, written or made writable) and
/// builds the entries, sorted by name. Of several images with one checksum the first by name is
/// listed. Leaves the current directory in `folder`.
BuiltDatabase BuildDatabase(Program& program, const std::string& folder);

}  // namespace cartovex
