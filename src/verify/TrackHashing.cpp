#include "verify/TrackHashing.h"

#include <algorithm>

#include "disc/containers/ArchiveMembers.h"
#include "disc/containers/ChdFile.h"
#include "disc/containers/ChdTracks.h"

namespace cartovex {

namespace {

std::string LastPiece(const Files& files, const std::string& path) {
    const size_t cut = path.find_last_of(files.Separator() == '/' ? "/" : "\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// What a file that could not be opened or read is: gone, or there but unreadable.
std::string MissingOrUnreadable(const Files& files, const std::string& path) {
    return files.Exists(path) ? "can't be read" : "vanished";
}

ByteSource SourceOf(const OpenFile& file) {
    return [&file](uint64_t offset, std::span<uint8_t> out) { return file.ReadAt(offset, out); };
}

}  // namespace

HashResult HashFile(const Files& files, const std::string& path, bool withMd5) {
    HashResult result;
    const auto file = files.OpenForReading(path);
    if (!file) {
        result.fault = MissingOrUnreadable(files, path);
        return result;
    }
    TrackHasher hasher(withMd5);
    std::vector<uint8_t> block(HASH_READ_BLOCK);
    const uint64_t length = file->Length();
    for (uint64_t at = 0; at < length;) {
        const size_t wanted = static_cast<size_t>(std::min<uint64_t>(block.size(), length - at));
        const auto got = file->ReadAt(at, std::span<uint8_t>(block.data(), wanted));
        if (!got) {
            result.fault = MissingOrUnreadable(files, path);
            return result;
        }
        // Fewer bytes than the length it had when opened: it was cut or replaced under us.
        if (*got < wanted) {
            result.fault = "vanished";
            return result;
        }
        hasher.Update(std::span<const uint8_t>(block.data(), *got));
        at += *got;
    }
    result.tracks.push_back({LastPiece(files, path), 0, false, hasher.Finish(), std::nullopt, true});
    return result;
}

namespace {

class HashingSink : public ArchiveMemberSink {
public:
    HashingSink(HashResult& result, bool withMd5) : result_(result), withMd5_(withMd5) {}

    void Begin(const ArchiveMember& member) override {
        current_ = HashedTrack{member.name, 0, false, {}, member.storedCrc, true};
        hasher_.emplace(withMd5_);
    }
    void Data(std::span<const uint8_t> bytes) override { hasher_->Update(bytes); }
    void End(const std::optional<std::string>& fault) override {
        current_.digest = hasher_->Finish();
        hasher_.reset();
        if (fault) {
            current_.intact = false;
            if (!result_.fault) result_.fault = current_.name + ": " + *fault;
        }
        result_.tracks.push_back(std::move(current_));
    }

private:
    HashResult& result_;
    bool withMd5_;
    HashedTrack current_;
    std::optional<TrackHasher> hasher_;
};

}  // namespace

HashResult HashArchiveMembers(const Files& files, const std::string& path, bool withMd5) {
    HashResult result;
    const auto file = files.OpenForReading(path);
    if (!file) {
        result.fault = MissingOrUnreadable(files, path);
        return result;
    }
    const ByteSource source = SourceOf(*file);
    HashingSink sink(result, withMd5);
    MemberWalk walk = StreamZipMembers(source, file->Length(), sink);
    if (walk.result == MemberWalk::Result::NOT_AN_ARCHIVE) {
        walk = StreamPackedArchiveMembers(source, file->Length(), sink);
        if (walk.result == MemberWalk::Result::NOT_AN_ARCHIVE) {
            result.fault = PackedArchivesSupported() ? "it is not an archive this program reads"
                                                     : "it is not a ZIP archive";
            return result;
        }
    }
    if (walk.result == MemberWalk::Result::BROKEN && !result.fault) result.fault = walk.reason;
    return result;
}

namespace {

// A CD frame in a CHD: the sector's 2,352 bytes, then 96 of subcode.
constexpr uint32_t CD_FRAME_SIZE = 2448;
constexpr size_t SECTOR_BYTES_RAW = 2352;
// Sector bytes gathered before they go to the hasher, so a track of small hunks still hashes in
// large pieces.
constexpr size_t STAGING_SIZE = size_t{256} << 10;

// How many of a frame's bytes the track's file held, by the track's type: what chdman was given.
std::optional<size_t> SectorBytes(const std::string& type) {
    if (type == "AUDIO" || type == "MODE1_RAW" || type == "MODE2_RAW") return SECTOR_BYTES_RAW;
    if (type == "MODE1" || type == "MODE2_FORM1") return 2048;
    if (type == "MODE2" || type == "MODE2_FORM_MIX") return 2336;
    if (type == "MODE2_FORM2") return 2324;
    return std::nullopt;
}

// One track's bytes on their way to its hasher.
class TrackStream {
public:
    TrackStream(const CdTrack& track, size_t sectorBytes, bool withMd5)
        : track_(track), sectorBytes_(sectorBytes), audio_(track.type == "AUDIO"), hasher_(withMd5) {
        staging_.reserve(STAGING_SIZE + SECTOR_BYTES_RAW);
    }

    void Frame(const uint8_t* frame) {
        const size_t at = staging_.size();
        staging_.insert(staging_.end(), frame, frame + sectorBytes_);
        // A CHD keeps CD audio as big-endian 16-bit samples; a BIN holds them little-endian.
        if (audio_)
            for (size_t i = at; i + 1 < staging_.size(); i += 2) std::swap(staging_[i], staging_[i + 1]);
        if (staging_.size() >= STAGING_SIZE) Flush();
    }
    void Spoil() { intact_ = false; }

    HashedTrack Finish() {
        Flush();
        return {std::string(), track_.number, audio_, hasher_.Finish(), std::nullopt, intact_};
    }

private:
    void Flush() {
        hasher_.Update(staging_);
        staging_.clear();
    }

    const CdTrack& track_;
    size_t sectorBytes_;
    bool audio_;
    bool intact_ = true;
    TrackHasher hasher_;
    std::vector<uint8_t> staging_;
};

}  // namespace

HashResult HashChdTracks(const Files& files, const std::string& path, bool withMd5) {
    HashResult result;
    const auto file = files.OpenForReading(path);
    if (!file) {
        result.fault = MissingOrUnreadable(files, path);
        return result;
    }
    const ByteSource source = SourceOf(*file);
    ChdFile chd(source, file->Length());
    std::vector<ChdMetadata> metadata;
    std::vector<CdTrack> tracks;
    std::optional<ChdFault> fault = chd.Open();
    if (!fault) fault = chd.ReadMetadata(metadata);
    if (!fault) fault = ReadCdTracks(metadata, tracks);
    if (fault) {
        result.fault = fault->reason;
        return result;
    }
    const ChdHeader& header = chd.Header();
    // Versions 3 and 4 don't give their unit; a CD's is always a frame.
    if ((header.unitSize != 0 && header.unitSize != CD_FRAME_SIZE) || header.hunkSize % CD_FRAME_SIZE != 0 ||
        header.hunkSize == 0) {
        result.fault = "its hunks don't hold whole CD frames";
        return result;
    }
    std::vector<size_t> sectorBytes;
    uint64_t framesListed = 0;
    for (const CdTrack& track : tracks) {
        const auto bytes = SectorBytes(track.type);
        if (!bytes) {
            result.fault = "track " + std::to_string(track.number) +
                           " is of a kind this program doesn't read (" + track.type + ")";
            return result;
        }
        sectorBytes.push_back(*bytes);
        framesListed += uint64_t{track.frames} + track.padding;
    }
    const uint64_t framesPerHunk = header.hunkSize / CD_FRAME_SIZE;
    // The last track's padding may be left out of the file; its frames may not.
    const uint64_t framesNeeded = framesListed - tracks.back().padding;
    if (framesNeeded > uint64_t{header.hunkCount} * framesPerHunk) {
        result.fault = "its track list runs past its last hunk";
        return result;
    }

    size_t index = 0;           // the track the next frame belongs to
    uint64_t frameInTrack = 0;  // counted from the track's first stored frame (its stored pregap)
    std::optional<TrackStream> stream(std::in_place, tracks[0], sectorBytes[0], withMd5);
    std::vector<uint8_t> hunk;
    uint64_t framesLeft = framesNeeded;
    for (uint32_t h = 0; framesLeft > 0; ++h) {
        bool spoilt = false;
        if (auto hunkFault = chd.ReadHunk(h, hunk)) {
            // A damaged hunk spoils only the tracks it holds part of; the rest of the disc can still
            // tell which track is bad. Any other fault (a codec this build lacks) ends the reading.
            if (hunkFault->kind != ChdFault::Kind::DAMAGED) {
                result.fault = hunkFault->reason;
                return result;
            }
            if (!result.fault) result.fault = hunkFault->reason;
            spoilt = true;
            hunk.assign(header.hunkSize, 0);
        }
        for (uint64_t f = 0; f < framesPerHunk && framesLeft > 0; ++f, --framesLeft) {
            while (frameInTrack == uint64_t{tracks[index].frames} + tracks[index].padding) {
                result.tracks.push_back(stream->Finish());
                ++index;
                frameInTrack = 0;
                stream.emplace(tracks[index], sectorBytes[index], withMd5);
            }
            if (spoilt) stream->Spoil();
            if (frameInTrack < tracks[index].frames) stream->Frame(hunk.data() + f * CD_FRAME_SIZE);
            ++frameInTrack;
        }
    }
    result.tracks.push_back(stream->Finish());
    return result;
}

}  // namespace cartovex
