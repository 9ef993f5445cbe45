// What an archive holds, worked out in one walk over its members in archive order, the same for
// every archive kind: which member is the data track, and what the others make of it.
//
// Collectors pack whole sets: "Title (Track 01).bin" ... "(Track 12).bin" with "Title.cue" in one
// archive, sometimes with an audio track first. The data track is the first member named like an
// image whose block carries the identifier, and the disc's tracks are counted inside the archive:
// the AUDIO lines of a sheet member naming the data track, else its audio members. Judged by the
// files beside the archive instead, every complete set would be marked as missing its tracks.
//
// The walk asks the survey what to read of each member: the start of an image member (never more
// than the block needs), a sheet whole, or nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "disc/DiscInfo.h"
#include "disc/HeaderBlock.h"
#include "disc/containers/Archive.h"

namespace cartovex {

class ArchiveSurvey {
public:
    /// At most this many image members have their start unpacked.
    static constexpr int MOST_IMAGES_LOOKED_AT = 64;
    /// A bigger member named like a sheet is no sheet.
    static constexpr size_t SHEET_LIMIT = 256 * 1024;
    static constexpr int MOST_SHEETS = 16;
    /// The start of an image member: the block behind a raw sector's sync and header.
    static constexpr size_t PREFIX_SIZE = 16 + HEADER_BLOCK_SIZE;

    /// `randomAccess`: a member's start can be unpacked without unpacking the members before it
    /// (ZIP). In a solid 7z that costs everything before it, so once the data track is found the
    /// image members after it are judged by their names.
    explicit ArchiveSurvey(bool randomAccess) : randomAccess_(randomAccess) {}

    enum class Want { NOTHING, PREFIX, WHOLE };
    /// Tells of the next regular member, in archive order, and what of it the walk should read.
    Want Member(std::string_view name);
    /// The member's first PREFIX_SIZE bytes (zeros where it ended or broke).
    void Prefix(std::span<const uint8_t> prefix);
    /// The member's whole content (WHOLE); not called when it was larger than SHEET_LIMIT.
    void Sheet(std::string text);

    bool AnyImageMember() const { return anyImage_; }
    bool Found() const { return data_.has_value(); }
    const HeaderBlock& Header() const { return header_; }
    /// The format the members form and the disc's audio tracks; only once the data track is found.
    ContainerContents Contents() const;
    /// What the walk comes to: on IMAGE_FOUND the data track's block in `header` and, when given,
    /// `contents`.
    ArchiveReadResult Result(HeaderBlock& header, ContainerContents* contents) const;

private:
    bool randomAccess_;
    std::vector<std::string> names_;  // every regular member's name without its folders, in order
    std::optional<size_t> data_;      // the data track's place in names_
    HeaderBlock header_{};
    bool anyImage_ = false;
    int imagesLookedAt_ = 0;
    int audioBins_ = 0;  // .bin members without the identifier, or after the data track in a solid archive
    std::vector<std::pair<std::string, std::string>> sheets_;  // name without folders, text
};

}  // namespace cartovex
