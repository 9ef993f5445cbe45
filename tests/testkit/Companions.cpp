#include "testkit/Companions.h"

#include <cstdio>

#include "platform/Files.h"

namespace cartovex::testkit {

namespace {

void PutLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string TwoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

}  // namespace

std::string Mp3Track(int track) {
    std::string tag = "ID3";
    tag += std::string("\x03\x00\x00\x00\x00\x00\x00", 7);
    std::string frame = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
    frame[10] = static_cast<char>(track);
    return tag + frame;
}

std::string WavTrack(int track, size_t sectors) {
    const auto dataSize = static_cast<uint32_t>(2352 * sectors);
    std::string wav = "RIFF";
    PutLittleEndian(wav, 36 + dataSize, 4);
    wav += "WAVEfmt ";
    PutLittleEndian(wav, 16, 4);
    PutLittleEndian(wav, 1, 2);          // PCM
    PutLittleEndian(wav, 2, 2);          // stereo
    PutLittleEndian(wav, 44100, 4);      // sample rate
    PutLittleEndian(wav, 44100 * 4, 4);  // byte rate
    PutLittleEndian(wav, 4, 2);          // block align
    PutLittleEndian(wav, 16, 2);         // bits per sample
    wav += "data";
    PutLittleEndian(wav, dataSize, 4);
    std::string samples(dataSize, '\0');
    samples[0] = static_cast<char>(track);
    return wav + samples;
}

std::vector<std::string> WriteAudioTracks(Files& files, const std::string& folder, const std::string& stem,
                                          const std::string& extension, int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const int track = i + 2;
        std::string name = stem + " " + TwoDigits(track) + "." + extension;
        const bool wav = extension == "wav" || extension == "WAV";
        if (!files.WriteFile(files.Join(folder, name), wav ? WavTrack(track) : Mp3Track(track))) return {};
        names.push_back(name);
    }
    return names;
}

std::string AudioTrackBin(int track, int disc, size_t sectors) {
    std::string samples(2352 * sectors, '\0');
    for (size_t i = 0; i < samples.size(); i += 4)
        samples[i] = static_cast<char>(track + 16 * disc + i / 2352);
    return samples;
}

std::string MultiTrackCueSheet(const std::vector<std::string>& trackFiles, const std::string& lineEnd) {
    std::string sheet;
    for (size_t i = 0; i < trackFiles.size(); ++i) {
        const int track = static_cast<int>(i) + 1;
        sheet += "FILE \"" + trackFiles[i] + "\" BINARY" + lineEnd;
        sheet += "  TRACK " + TwoDigits(track) + (track == 1 ? " MODE1/2352" : " AUDIO") + lineEnd;
        if (track > 1) sheet += "    INDEX 00 00:00:00" + lineEnd;
        sheet += "    INDEX 01 00:0" + std::string(track > 1 ? "2" : "0") + ":00" + lineEnd;
    }
    return sheet;
}

std::vector<std::string> WriteMultiTrackSet(Files& files, const std::string& folder, const std::string& stem,
                                            const std::string& dataTrack, int audioTracks, int disc) {
    std::vector<std::string> names;
    for (int track = 1; track <= audioTracks + 1; ++track) {
        const std::string name = stem + " (Track " + TwoDigits(track) + ").bin";
        if (!files.WriteFile(files.Join(folder, name), track == 1 ? dataTrack : AudioTrackBin(track, disc)))
            return {};
        names.push_back(name);
    }
    if (!files.WriteFile(files.Join(folder, stem + ".cue"), MultiTrackCueSheet(names))) return {};
    return names;
}

std::string CueSheet(const std::string& binName, int audioTracks, const std::string& lineEnd) {
    std::string sheet = "FILE \"" + binName + "\" BINARY" + lineEnd;
    sheet += "  TRACK 01 MODE1/2352" + lineEnd + "    INDEX 01 00:00:00" + lineEnd;
    for (int i = 0; i < audioTracks; ++i) {
        const int track = i + 2;
        sheet += "  TRACK " + TwoDigits(track) + " AUDIO" + lineEnd;
        sheet += "    PREGAP 00:02:00" + lineEnd;
        sheet += "    INDEX 01 " + TwoDigits(track * 3) + ":00:00" + lineEnd;
    }
    return sheet;
}

}  // namespace cartovex::testkit
