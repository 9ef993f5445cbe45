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

/// One line for each entry line of every "*.m3u" below `root` that names no file beside its
/// playlist, or names one that is not disc n of its game (n counting entry lines from 1): a sheet
/// whose first FILE line's file, or an image whose bytes, `discs` knows as another disc (data track
/// bytes -> disc number). Empty when every playlist plays its discs in order.
std::vector<std::string> PlaylistsThatDontPlay(const std::string& root,
                                               const std::map<std::string, int>& discs);

/// The bytes of every file below `root` that ends in one of `extensions` (".bin", ".mp3", ...).
std::vector<std::string> ContentsOf(const std::string& root, const std::vector<std::string>& extensions);

}  // namespace cartovex::testkit
