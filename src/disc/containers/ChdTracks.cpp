#include "disc/containers/ChdTracks.h"

#include <algorithm>
#include <array>

#include "disc/containers/ByteReads.h"

namespace cartovex {

namespace {

constexpr uint32_t TAG_TRACK_V2 = FourCc("CHT2");
constexpr uint32_t TAG_TRACK_V1 = FourCc("CHTR");
constexpr uint32_t TAG_DISC_BINARY = FourCc("CHCD");
constexpr int MAX_TRACKS = 99;
// No track is longer than a whole disc.
constexpr uint64_t MAX_TRACK_FRAMES = MAX_LOGICAL_SIZE / 2448;
constexpr uint32_t FRAME_PADDING = 4;

// The binary form numbers the track types.
constexpr std::array<const char*, 8> BINARY_TYPES = {
    "MODE1", "MODE1_RAW", "MODE2", "MODE2_FORM1", "MODE2_FORM2", "MODE2_FORM_MIX", "MODE2_RAW", "AUDIO"};

ChdFault Damaged(std::string reason) {
    return {ChdFault::Kind::DAMAGED, std::move(reason)};
}

std::optional<uint64_t> Number(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

uint32_t PaddingFor(uint32_t frames) {
    return (FRAME_PADDING - frames % FRAME_PADDING) % FRAME_PADDING;
}

// One line of "KEY:VALUE" words; unknown keys are passed over.
std::optional<CdTrack> ParseTrackLine(std::string_view line) {
    line = line.substr(0, line.find('\0'));
    CdTrack track;
    std::optional<uint64_t> number, frames;
    uint64_t pregap = 0;
    std::string pregapType;
    size_t at = 0;
    while (at < line.size()) {
        const size_t end = std::min(line.find(' ', at), line.size());
        const std::string_view word = line.substr(at, end - at);
        at = end + 1;
        const size_t colon = word.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view key = word.substr(0, colon), value = word.substr(colon + 1);
        if (key == "TRACK") number = Number(value);
        if (key == "TYPE") track.type = std::string(value);
        if (key == "FRAMES") frames = Number(value);
        if (key == "PREGAP") pregap = Number(value).value_or(MAX_TRACK_FRAMES + 1);
        if (key == "PGTYPE") pregapType = std::string(value);
    }
    if (!number || *number < 1 || *number > MAX_TRACKS || !frames || *frames > MAX_TRACK_FRAMES ||
        track.type.empty() || pregap > *frames)
        return std::nullopt;
    track.number = static_cast<int>(*number);
    track.frames = static_cast<uint32_t>(*frames);
    if (pregapType.starts_with("V")) track.storedPregap = static_cast<uint32_t>(pregap);
    track.padding = PaddingFor(track.frames);
    return track;
}

// The binary entry was written in the byte order of the machine that made it.
std::optional<std::vector<CdTrack>> ParseBinaryDisc(std::string_view data) {
    const std::span bytes(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    auto number = [&](size_t offset, bool bigEndian) -> uint64_t {
        uint64_t value = BigEndianAt(bytes, offset, 4);
        if (!bigEndian)
            value =
                ((value & 0xFF) << 24) | ((value & 0xFF00) << 8) | ((value >> 8) & 0xFF00) | (value >> 24);
        return value;
    };
    if (bytes.size() < 4) return std::nullopt;
    bool bigEndian = true;
    uint64_t count = number(0, true);
    if (count < 1 || count > MAX_TRACKS) {
        bigEndian = false;
        count = number(0, false);
    }
    if (count < 1 || count > MAX_TRACKS || bytes.size() < 4 + 24 * count) return std::nullopt;
    std::vector<CdTrack> tracks;
    for (size_t i = 0; i < count; ++i) {
        const size_t base = 4 + 24 * i;
        const uint64_t type = number(base, bigEndian), frames = number(base + 16, bigEndian),
                       padding = number(base + 20, bigEndian);
        if (type >= BINARY_TYPES.size() || frames > MAX_TRACK_FRAMES || padding > MAX_TRACK_FRAMES)
            return std::nullopt;
        tracks.push_back({static_cast<int>(i + 1), BINARY_TYPES[type], static_cast<uint32_t>(frames), 0,
                          static_cast<uint32_t>(padding)});
    }
    return tracks;
}

std::optional<ChdFault> ListedTracks(const std::vector<ChdMetadata>& metadata, std::vector<CdTrack>& listed) {
    for (uint32_t tag : {TAG_TRACK_V2, TAG_TRACK_V1}) {
        for (const ChdMetadata& entry : metadata) {
            if (entry.tag != tag) continue;
            auto track = ParseTrackLine(entry.data);
            if (!track) return Damaged("its track list is damaged");
            listed.push_back(*track);
        }
        if (!listed.empty()) return std::nullopt;
    }
    for (const ChdMetadata& entry : metadata) {
        if (entry.tag != TAG_DISC_BINARY) continue;
        auto tracks = ParseBinaryDisc(entry.data);
        if (!tracks) return Damaged("its track list is damaged");
        listed = std::move(*tracks);
        return std::nullopt;
    }
    return Damaged("it has no track list");
}

}  // namespace

std::optional<ChdFault> ReadCdTracks(const std::vector<ChdMetadata>& metadata, std::vector<CdTrack>& tracks) {
    tracks.clear();
    if (auto fault = ListedTracks(metadata, tracks)) return fault;
    std::stable_sort(tracks.begin(), tracks.end(),
                     [](const CdTrack& a, const CdTrack& b) { return a.number < b.number; });
    if (tracks.front().number != 1) return Damaged("its track list has no track 1");
    for (size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].number != static_cast<int>(i + 1))
            return Damaged("its track list skips or repeats a track");
    return std::nullopt;
}

uint64_t FirstSectorFrame(const std::vector<CdTrack>& tracks, size_t index) {
    uint64_t frame = 0;
    for (size_t i = 0; i < index && i < tracks.size(); ++i)
        frame += uint64_t{tracks[i].frames} + tracks[i].padding;
    return frame + (index < tracks.size() ? tracks[index].storedPregap : 0);
}

}  // namespace cartovex
