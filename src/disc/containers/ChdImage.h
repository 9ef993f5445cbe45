// A Sega CD image kept in a CHD. The header block is in the first sector of the data track, which on
// a Sega CD is track 1: at offset 16 of a raw (MODE1_RAW) frame, at 0 of a cooked (MODE1) one, the
// same bytes as in the BIN or ISO the CHD was made from, so the checksum is the same too. Only the
// hunk holding that sector is unpacked; the track list tells the audio tracks and the format shown.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "disc/DiscInfo.h"
#include "disc/HeaderReader.h"
#include "disc/containers/ChdHeader.h"
#include "state/Program.h"

namespace cartovex {

struct ChdReading {
    enum class Result {
        IMAGE_FOUND,  // the block carries "SEGADISC"; `contents` tells what the CHD holds
        NOT_SEGA_CD,  // a readable CD, but not a Sega CD (no identifier, or track 1 is audio)
        UNREADABLE,   // `fault` says why
    };
    Result result = Result::UNREADABLE;
    std::optional<ChdFault> fault;
    ContainerContents contents;
};

/// Reads the header block of the CHD of `size` bytes in `source`. `header` changes only when the
/// image was found.
ChdReading ReadChdHeaderFrom(const ByteSource& source, uint64_t size, HeaderBlock& header);
ChdReading ReadChdHeaderFrom(std::span<const uint8_t> chd, HeaderBlock& header);

/// Reads the CHD `fileName` of the current folder into `header`, and on success sets `contents`.
ChdReading ReadChdImage(Program& program);

/// The line that ends the analysis of a CHD that was not found to be an image.
std::string ChdRejectionLine(const ChdReading& reading, const std::string& fileName);

}  // namespace cartovex
