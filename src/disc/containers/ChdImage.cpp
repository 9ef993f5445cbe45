#include "disc/containers/ChdImage.h"

#include <algorithm>
#include <vector>

#include "common/Text.h"
#include "disc/containers/ByteReads.h"
#include "disc/containers/ChdCodecs.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdTracks.h"

namespace cartovex {

namespace {

ChdReading Unreadable(ChdFault fault) {
    ChdReading reading;
    reading.result = ChdReading::Result::UNREADABLE;
    reading.fault = std::move(fault);
    return reading;
}

ChdReading NotSegaCd() {
    ChdReading reading;
    reading.result = ChdReading::Result::NOT_SEGA_CD;
    return reading;
}

// Where the header block starts in a frame of the track type; nothing for a type no Sega CD data
// track has.
std::optional<size_t> BlockOffset(const std::string& type) {
    if (type == "MODE1_RAW") return RAW_SECTOR_PREFIX;
    if (type == "MODE1") return 0;
    return std::nullopt;
}

// What the CHD was made from, as the formats of loose images name it: a raw data track is a BIN, a
// cooked one an ISO, and more than one track came with a CUE sheet.
ContainerContents ContentsOf(const std::vector<CdTrack>& tracks) {
    ContainerContents contents;
    contents.format = std::string("CHD (") + (tracks.front().type == "MODE1" ? "ISO" : "BIN") +
                      (tracks.size() > 1 ? "+CUE" : "") + ")";
    contents.audioTracks = SaturateInt16(static_cast<int>(
        std::count_if(tracks.begin(), tracks.end(), [](const CdTrack& t) { return t.type == "AUDIO"; })));
    return contents;
}

}  // namespace

ChdReading ReadChdHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header) {
    ChdFile chd(source, size);
    if (auto fault = chd.Open()) return Unreadable(*fault);
    std::vector<ChdMetadata> metadata;
    if (auto fault = chd.ReadMetadata(metadata)) return Unreadable(*fault);
    std::vector<CdTrack> tracks;
    if (auto fault = ReadCdTracks(metadata, tracks)) return Unreadable(*fault);

    // A disc that starts with music is no Sega CD, whatever follows.
    const auto blockOffset = BlockOffset(tracks.front().type);
    if (!blockOffset) return NotSegaCd();
    const ChdHeader& layout = chd.Header();
    if (layout.hunkSize % CD_FRAME_SIZE != 0)
        return Unreadable({ChdFault::Kind::DAMAGED, "its hunks don't hold whole CD frames"});
    const uint64_t start = FirstSectorFrame(tracks, 0) * CD_FRAME_SIZE;
    if (start + CD_FRAME_SIZE > layout.logicalSize)
        return Unreadable({ChdFault::Kind::DAMAGED, "its first track lies beyond its data"});

    std::vector<uint8_t> hunk;
    if (auto fault = chd.ReadHunk(static_cast<uint32_t>(start / layout.hunkSize), hunk))
        return Unreadable(*fault);
    HeaderBlock block{};
    std::copy_n(hunk.begin() + static_cast<std::ptrdiff_t>(start % layout.hunkSize + *blockOffset),
                block.size(), block.begin());
    if (!HasSegaDiscId(block)) return NotSegaCd();
    header = block;
    ChdReading reading;
    reading.result = ChdReading::Result::IMAGE_FOUND;
    reading.contents = ContentsOf(tracks);
    return reading;
}

ChdReading ReadChdHeaderFrom(std::span<const uint8_t> chd, HeaderBlock& header) {
    return ReadChdHeaderFrom(MemorySource(chd), chd.size(), header);
}

ChdReading ReadChdImage(Program& program) {
    DiscInfo& disc = program.disc;
    const Files& files = program.files();
    const auto size = files.FileLength(disc.fileName);
    if (!size) return Unreadable({ChdFault::Kind::DAMAGED, "it can't be read"});
    const ByteSource source = [&](uint64_t offset, std::span<uint8_t> out) {
        return files.ReadAt(disc.fileName, offset, out);
    };
    ChdReading reading = ReadChdHeaderFrom(source, *size, disc.header);
    if (reading.result == ChdReading::Result::IMAGE_FOUND) disc.contents = reading.contents;
    return reading;
}

std::string ChdRejectionLine(const ChdReading& reading, const std::string& fileName) {
    if (reading.result == ChdReading::Result::UNREADABLE && reading.fault)
        return "Could not read " + fileName + " (" + reading.fault->reason + ")! File will be ignored.";
    return "This is not a Sega CD Image! File will be ignored.";
}

}  // namespace cartovex
