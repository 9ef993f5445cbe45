#include "outputs/DiscPlan.h"

#include <algorithm>
#include <set>

#include "common/Text.h"
#include "disc/CueSheetFiles.h"
#include "disc/ImageFormat.h"
#include "disc/ImgSet.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"

namespace cartovex {

namespace {

constexpr long long HIGHEST_TRACK = 99;

std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : AsciiLower(name.substr(dot));
}

std::string LeftAlone(const std::string& name, const std::string& why) {
    return "CUE sheet: " + name + " " + why + ", left as it is.";
}

// A sheet that numbers two files alike, or past what a disc holds, says nothing reliable about
// which file is which track: the whole set is refused before anything moves.
std::string TrackNumberRefusal(const std::vector<CueFileLine>& lines) {
    std::set<long long> seen;
    for (const CueFileLine& line : lines) {
        if (!line.track) continue;
        if (*line.track > HIGHEST_TRACK) return "The CUE sheet numbers a track above 99, nothing renamed.";
        if (!seen.insert(*line.track).second)
            return "The CUE sheet gives two files track " + AtLeastTwoDigits(*line.track) +
                   ", nothing renamed.";
    }
    return {};
}

}  // namespace

DiscPlan PlanDiscRenames(const Files& files, const FolderNames& folder, const DiscInfo& disc,
                         const std::string& title, char separator) {
    DiscPlan plan;
    const std::string stem = title + separator;
    plan.image = {disc.fileName, title + "." + disc.extension};
    // A container that told what it holds keeps its tracks inside: no file beside it is its own.
    if (disc.contents) return plan;
    plan.companionExtension = CompanionExtension(folder);
    if (!plan.companionExtension.empty()) {
        const std::string dotted = "." + plan.companionExtension;
        plan.companions =
            PlanCompanionRenames(folder.Matching("*" + dotted), title, std::string(1, separator), dotted);
    }
    // A CloneCD set's control and subchannel files carry the image's name beside their own kind.
    if (disc.extension == "img") {
        const ImgSet set = FindImgSet(files, {}, folder, disc.fileName);
        for (const std::string& file : {set.controlFile, set.subchannelFile})
            if (!file.empty()) plan.tracks.push_back({file, title + LowerExtension(file)});
    }
    if (disc.cueFile.empty()) return plan;
    const auto lines = ReadSheetFiles(files, disc.cueFile);
    if (!lines) return plan;
    plan.refusal = TrackNumberRefusal(*lines);
    if (!plan.refusal.empty()) return plan;

    // A sheet left naming the image's old name (it names no existing file) is the image's all the
    // same: its first FILE line is the data track.
    const bool namesImage = std::any_of(lines->begin(), lines->end(), [&](const CueFileLine& line) {
        return EqualsIgnoringAsciiCase(line.name, disc.fileName);
    });
    plan.sheetImageName = namesImage || lines->empty() ? disc.fileName : lines->front().name;

    for (const CueFileLine& line : *lines) {
        if (EqualsIgnoringAsciiCase(line.name, plan.sheetImageName)) continue;
        const auto file = FileInFolder(folder, line.name);
        if (!file) {
            plan.notes.push_back(LeftAlone(line.name, "is no file in the image's folder"));
            continue;
        }
        if (IsAudioFileName(*file) || EqualsIgnoringAsciiCase(*file, disc.fileName)) continue;
        if (EndsWithIgnoringAsciiCase(*file, ".cue")) {
            plan.notes.push_back(LeftAlone(line.name, "is a CUE sheet, not a track"));
            continue;
        }
        if (!line.track) {
            plan.notes.push_back(LeftAlone(line.name, "has no TRACK"));
            continue;
        }
        // A file named twice keeps the number of its first FILE line.
        const bool planned = std::any_of(plan.tracks.begin(), plan.tracks.end(),
                                         [&](const RenameStep& step) { return step.from == *file; });
        if (!planned)
            plan.tracks.push_back({*file, stem + AtLeastTwoDigits(*line.track) + LowerExtension(*file)});
    }
    return plan;
}

std::vector<RenameStep> DiscPlan::OrderedFileSteps() const {
    std::vector<RenameStep> pending = tracks;
    pending.push_back(image);
    std::vector<RenameStep> ordered;
    auto blocked = [&pending](size_t i) {
        for (size_t j = 0; j < pending.size(); ++j)
            if (j != i && EqualsIgnoringAsciiCase(pending[j].from, pending[i].to)) return true;
        return false;
    };
    while (!pending.empty()) {
        size_t next = 0;
        while (next < pending.size() && blocked(next)) ++next;
        if (next == pending.size()) {
            // Every step waits for another: one file steps aside first.
            const std::string aside = "PRE" + pending.front().to;
            ordered.push_back({pending.front().from, aside});
            pending.front().from = aside;
            continue;
        }
        ordered.push_back(pending[next]);
        pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(next));
    }
    return ordered;
}

}  // namespace cartovex
