// Checks that CUE sheets still play after a run: every FILE line names a file beside its sheet, and
// that file holds the track the line introduces.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace cartovex::testkit {

/// One line for each FILE line, in every "*.cue" below `root` (at any depth), that names no file
/// beside its sheet, or a file whose bytes are not those of its first TRACK's number in `tracks`
/// (file bytes -> track number; bytes it doesn't know fail too). Empty when every sheet plays.
std::vector<std::string> SheetsThatDontPlay(const std::string& root,
                                            const std::map<std::string, long long>& tracks);

/// The bytes of every file below `root` that ends in one of `extensions` (".bin", ".mp3", ...).
std::vector<std::string> ContentsOf(const std::string& root, const std::vector<std::string>& extensions);

}  // namespace cartovex::testkit
