#include "outputs/RenamePlan.h"

#include <algorithm>

#include "common/Text.h"

namespace cartovex {

std::string AtLeastTwoDigits(long long number) {
    std::string text = PlainNumber(number);
    return text.size() < 2 ? "0" + text : text;
}

std::string CompanionNumber(std::string_view name) {
    if (name.size() < 6) return std::string(name.substr(0, 2));
    return std::string(name.substr(name.size() - 6, 2));
}

std::string FinalCompanionNumber(std::string_view number, bool shifted) {
    return shifted ? AtLeastTwoDigits(ReadNumber(number) + 1) : std::string(number);
}

CompanionPlan PlanCompanionRenames(const std::vector<std::string>& companions, std::string_view title,
                                   std::string_view separator, std::string_view extension) {
    CompanionPlan plan;
    const std::string stem = std::string(title) + std::string(separator);
    for (const std::string& name : companions)
        plan.toTemporary.push_back({name, "PRE" + stem + CompanionNumber(name) + std::string(extension)});

    std::vector<std::string> temporary;
    for (const RenameStep& step : plan.toTemporary) temporary.push_back(step.to);
    std::sort(temporary.begin(), temporary.end(),
              [](const std::string& a, const std::string& b) { return NameLess(a, b); });
    plan.shifted = !temporary.empty() && CompanionNumber(temporary.front()) == "01";
    for (const std::string& name : temporary) {
        plan.toFinal.push_back({name, stem + FinalCompanionNumber(CompanionNumber(name), plan.shifted) +
                                          std::string(extension)});
    }
    return plan;
}

}  // namespace cartovex
