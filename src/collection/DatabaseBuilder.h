// A header database made from a collection the user has verified: one DATA.KVX entry per image
// below a folder, named after the image's folder, so a collector can share what they have.
#pragma once

#include <string>
#include <vector>

#include "state/Program.h"

namespace cartovex {

struct BuiltDatabase {
    /// The DATA.KVX text: the version line "1", then "name#checksum#tracks" lines, each ending in CR LF.
    std::string text;
    int entries = 0;
    /// One line for each image left out (rejected, a name the file can't hold, a checksum listed
    /// already) and for a database larger than the program reads.
    std::vector<std::string> problems;
};

/// One disc's entry before the database is put together.
struct DatabaseEntry {
    std::string name, checksum, path;
    int16_t tracks = 0;
};

/// True when a name can stand in an entry line: not blank, and without the bytes that split entries
/// or lines.
bool FitsInEntry(const std::string& name);

/// The database of `entries`, sorted by name; of several with one checksum the first is listed, the
/// others are problems added to `problems`.
BuiltDatabase DatabaseFromEntries(std::vector<DatabaseEntry> entries, std::vector<std::string> problems);

/// Analyses every image below `folder` (quietly; nothing is renamed, written or made writable) and
/// builds the entries, sorted by name. Of several images with one checksum the first by name is
/// listed. Leaves the current directory in `folder`.
BuiltDatabase BuildDatabase(Program& program, const std::string& folder);

}  // namespace cartovex
