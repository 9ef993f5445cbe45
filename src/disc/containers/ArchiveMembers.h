// Every member of an archive streamed out as it decompresses, in the archive's own order, for work
// that needs all of a member's bytes once (hashing its tracks): nothing is unpacked to disc and no
// member is held whole. ZIP archives go through minizip (Archive.cpp), 7z and RAR through libarchive
// (PackedArchive.cpp), each read through a ByteSource.
//
// Folders, links and encrypted members are passed over: there is no password to offer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "disc/HeaderReader.h"

namespace cartovex {

struct ArchiveMember {
    std::string name;                   // as stored, folders included ("Disc/Track 01.bin")
    std::optional<uint32_t> storedCrc;  // ZIP: the CRC-32 its directory gives
};

/// Receives each member: Begin, its bytes in pieces, then End.
class ArchiveMemberSink {
public:
    virtual ~ArchiveMemberSink() = default;
    virtual void Begin(const ArchiveMember& member) = 0;
    virtual void Data(std::span<const uint8_t> bytes) = 0;
    /// `fault` says why the member could not be read whole ("doesn't unpack", "fails its CRC").
    virtual void End(const std::optional<std::string>& fault) = 0;
};

struct MemberWalk {
    enum class Result {
        WALKED,          // every member was handed over (some may have ended with a fault)
        NOT_AN_ARCHIVE,  // the bytes can't be opened as an archive of the kind asked for
        BROKEN,          // the directory broke off after some members; `reason` says so
    };
    Result result = Result::WALKED;
    std::string reason;
};

/// Whether this build reads 7z and RAR archives (also declared in Archive.h).
bool PackedArchivesSupported();

/// Streams the members of a ZIP archive of `size` bytes.
MemberWalk StreamZipMembers(const ByteSource& source, uint64_t size, ArchiveMemberSink& sink);
/// Streams the members of a 7z or RAR archive; NOT_AN_ARCHIVE for every archive in a build without
/// libarchive (PackedArchivesSupported).
MemberWalk StreamPackedArchiveMembers(const ByteSource& source, uint64_t size, ArchiveMemberSink& sink);

}  // namespace cartovex
