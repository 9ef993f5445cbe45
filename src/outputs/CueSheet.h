// CUE sheet generation: one MODE1 data track (the image, its sector size worked out from its
// length) and one audio track per audio companion of the image's folder, in name order: the MP3
// files, else the WAV, else the OGG, else the FLAC files, as processing renames them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/Program.h"

namespace cartovex {

/// 2352 when the length is a multiple of it, else 2048 when it is a multiple of that; nothing
/// when it is neither.
std::optional<int> SectorSizeForLength(uint64_t length);

/// The file type a sheet gives an audio file: "MP3" for MP3, "WAVE" for WAV, OGG and FLAC.
std::string CueFileType(std::string_view audioFile);

/// The sheet's lines, each ended by CR LF.
std::string CueSheetText(std::string_view dataFile, int sectorSize,
                         const std::vector<std::string>& audioFiles);

/// Writes `displayName` + ".CUE" into the current folder, the image's, and reports the outcome in
/// the pane. An archive gets no sheet and no line. False when no sheet could be written.
/// `longLine`, when given, is set when a FILE line written is longer than emulators read.
bool GenerateCueSheet(Program& program, bool* longLine = nullptr);

}  // namespace cartovex
