// The names processing gives an image's audio companions, worked out before anything is renamed.
//
// Companions go through two phases: first every file takes a temporary name, "PRE" + title +
// separator + its companion number, then every temporary name becomes the final name. The two
// steps let a file take a final name that another companion still carries. The companion number is
// the two characters in front of the extension ("03" of "Track 03.mp3"). When the first companion in
// name order is numbered 01, the tracks were counted from the data track's own number, so every
// number moves up by one: the first audio track of a disc is track 02.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cartovex {

struct RenameStep {
    std::string from;
    std::string to;
};

struct CompanionPlan {
    /// Phase one, in the order the companions were listed.
    std::vector<RenameStep> toTemporary;
    /// Phase two, in name order of the temporary names (the order a listing gives them).
    std::vector<RenameStep> toFinal;
    bool shifted = false;
};

/// A track or companion number with at least two digits ("02", "10", "100").
std::string AtLeastTwoDigits(long long number);

/// The two characters before a name's last four; the first two for a name shorter than six.
std::string CompanionNumber(std::string_view name);

/// The number a companion ends with: its own, or when `shifted` its own read as a number plus one,
/// with at least two digits ("09" gives "10", " 3" gives "04").
std::string FinalCompanionNumber(std::string_view number, bool shifted);

/// `extension` with its dot: ".mp3" or ".wav".
CompanionPlan PlanCompanionRenames(const std::vector<std::string>& companions, std::string_view title,
                                   std::string_view separator, std::string_view extension);

}  // namespace cartovex
