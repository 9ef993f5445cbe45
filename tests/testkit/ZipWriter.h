// Writes ZIP archives for tests and the demo data: stored or deflated members, encrypted ones, folder
// entries, and member names the archive library's writer can't take (a NUL inside).
#pragma once

#include <string>
#include <vector>

namespace cartovex::testkit {

struct ZipMember {
    std::string name;  // any bytes; a name ending in "/" is a folder entry
    std::string content;
    bool deflate = true;
    std::string password;  // encrypts the member when not empty
};

/// The archive's bytes; empty when the writer failed.
std::string BuildZip(const std::vector<ZipMember>& members);
/// Writes the archive to `path`; false when it failed.
bool WriteZip(const std::string& path, const std::vector<ZipMember>& members);

}  // namespace cartovex::testkit
