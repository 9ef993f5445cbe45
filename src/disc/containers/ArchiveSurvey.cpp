#include "disc/containers/ArchiveSurvey.h"

#include <algorithm>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "disc/containers/Archive.h"

namespace cartovex {

namespace {

// A member's name without the folders it is packed in; sheets name their tracks from beside them.
std::string BaseName(std::string_view name) {
    const size_t cut = name.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

}  // namespace

ArchiveSurvey::Want ArchiveSurvey::Member(std::string_view name) {
    names_.push_back(BaseName(name));
    if (HasImageEnding(name)) {
        anyImage_ = true;
        const bool worthLooking = !data_ || (randomAccess_ && EndsWithIgnoringAsciiCase(name, ".bin"));
        if (worthLooking && imagesLookedAt_ < MOST_IMAGES_LOOKED_AT) {
            ++imagesLookedAt_;
            return Want::PREFIX;
        }
        if (data_ && EndsWithIgnoringAsciiCase(name, ".bin")) ++audioBins_;
        return Want::NOTHING;
    }
    if (EndsWithIgnoringAsciiCase(name, ".cue") && static_cast<int>(sheets_.size()) < MOST_SHEETS)
        return Want::WHOLE;
    return Want::NOTHING;
}

void ArchiveSurvey::Prefix(std::span<const uint8_t> prefix) {
    // A cooked image has the block at the member's start, a raw one behind the sector's sync and
    // header.
    for (size_t skip : {size_t{0}, size_t{16}}) {
        HeaderBlock block{};
        std::copy_n(prefix.begin() + static_cast<std::ptrdiff_t>(skip),
                    std::min(block.size(), prefix.size() - std::min(prefix.size(), skip)), block.begin());
        if (!HasSegaId(block)) continue;
        if (!data_) {
            data_ = names_.size() - 1;
            header_ = block;
        }
        return;
    }
    if (EndsWithIgnoringAsciiCase(names_.back(), ".bin")) ++audioBins_;
}

void ArchiveSurvey::Sheet(std::string text) {
    sheets_.emplace_back(names_.back(), std::move(text));
}

ContainerContents ArchiveSurvey::Contents() const {
    ContainerContents contents;
    if (!data_) return contents;
    std::vector<std::string> sorted = names_;
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string& a, const std::string& b) { return NameLess(a, b); });
    contents.format = DetectImageFormat(FolderListing(std::move(sorted)));

    const std::string& dataName = names_[*data_];
    for (const auto& [sheet, text] : sheets_) {
        const auto lines = ReadCueFileLines(text);
        const bool namesData = std::any_of(lines.begin(), lines.end(), [&dataName](const CueFileLine& line) {
            return EqualsIgnoringAsciiCase(BaseName(line.name), dataName);
        });
        if (namesData) {
            contents.audioTracks = SaturateInt16(CountCueAudioLines(text));
            return contents;
        }
    }
    const auto audio = std::count_if(names_.begin(), names_.end(),
                                     [](const std::string& name) { return IsAudioFileName(name); });
    contents.audioTracks = SaturateInt16(static_cast<long long>(audio) + audioBins_);
    return contents;
}

ArchiveReadResult ArchiveSurvey::Result(HeaderBlock& header, ContainerContents* contents) const {
    if (!anyImage_) return ArchiveReadResult::NO_IMAGE_MEMBER;
    if (!data_) return ArchiveReadResult::MEMBER_NOT_SEGA_CD;
    header = header_;
    if (contents) *contents = Contents();
    return ArchiveReadResult::IMAGE_FOUND;
}

}  // namespace cartovex
