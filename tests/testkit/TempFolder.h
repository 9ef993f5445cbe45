// A temporary folder on the real file system, removed with everything in it when the test ends.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cartovex::testkit {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    /// Path of a name inside the folder ("sub/file.bin" allowed).
    std::string operator/(std::string_view name) const;

    /// Writes a file (creating its folders); returns its full path.
    std::string Write(std::string_view name, std::string_view content) const;
    std::string MakeFolder(std::string_view name) const;
    /// Nests folders below `name` until the path of the deepest one is longer than `length` (longer
    /// than the system takes, if asked), and puts an empty file `file` into each of them. Returns
    /// the deepest folder's path, which only fd-relative calls can reach.
    std::string MakeDeepFolder(std::string_view name, size_t length, std::string_view file) const;
    /// The file's bytes; empty when it can't be read.
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;

    /// Every file below the folder as "relative/path=<size>:<crc>" lines, sorted; folders as
    /// "relative/path/". A before/after snapshot shows any lost, renamed or altered file.
    std::vector<std::string> Snapshot() const;

private:
    std::string path_;
};

/// Remembers the current directory and restores it when the test ends.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard();
    ~CurrentDirectoryGuard();

private:
    std::string saved_;
};

}  // namespace cartovex::testkit
