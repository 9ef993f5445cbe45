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

/// A raw audio track of `sectors` 2352-byte sectors; `track` and `disc` make each one's bytes differ.
std::string AudioTrackBin(int track, int disc = 0, size_t sectors = 2);

/// A CUE sheet for a set kept one file a track: the first file is track 01, the data track in
/// MODE1/2352, every further file an audio track; lines ended by `lineEnd`.
std::string MultiTrackCueSheet(const std::vector<std::string>& trackFiles,
                               const std::string& lineEnd = "\r\n");

/// Writes a set as verified dumps keep it: `stem` + " (Track NN).bin" for the data track
/// (`dataTrack`'s bytes) and `audioTracks` audio tracks (AudioTrackBin with `disc`), and `stem` +
/// ".cue". Returns the track files in order; empty when a write failed.
std::vector<std::string> WriteMultiTrackSet(Files& files, const std::string& folder, const std::string& stem,
                                            const std::string& dataTrack, int audioTracks, int disc = 0);

/// A CUE sheet for one raw BIN holding the data track and `audioTracks` audio tracks, lines ended by
/// `lineEnd`.
std::string CueSheet(const std::string& binName, int audioTracks, const std::string& lineEnd = "\r\n");

}  // namespace cartovex::testkit
