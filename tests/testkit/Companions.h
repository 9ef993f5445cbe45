// Companion files of an image: audio tracks (.mp3, .wav) and CUE sheets.
#pragma once

#include <string>
#include <vector>

namespace cartovex {
class Files;
}

namespace cartovex::testkit {

/// A short MP3 file (an ID3 tag and one silent frame); `track` makes each one's bytes differ.
std::string Mp3Track(int track);
/// A short WAV file: a RIFF header for CD audio and `sectors` sectors' worth of near-silent samples.
std::string WavTrack(int track, size_t sectors = 1);

/// Writes tracks `stem` + " 02." + `extension` and on (the data track is track 01), `count` of them,
/// into `folder`; returns their names, or an empty list when a write failed.
std::vector<std::string> WriteAudioTracks(Files& files, const std::string& folder, const std::string& stem,
                                          const std::string& extension, int count);

/// A CUE sheet for one raw BIN holding the data track and `audioTracks` audio tracks, lines ended by
/// `lineEnd`.
std::string CueSheet(const std::string& binName, int audioTracks, const std::string& lineEnd = "\r\n");

}  // namespace cartovex::testkit
