#include "model/KeyboardMap.h"

#include <algorithm>

namespace chordmap {

std::string_view text(Conflict conflict) {
    switch (conflict) {
        case Conflict::none: return "none";
        case Conflict::possible: return "possible";
        case Conflict::definite: return "definite";
    }
    return "none";
}

Conflict conflictOf(const std::vector<Finding>& findings) {
    const auto atLevel = [&](auto... levels) {
        return std::count_if(findings.begin(), findings.end(),
                             [&](const Finding& finding) { return ((finding.level == levels) || ...); });
    };
    if (atLevel(EvidenceLevel::systemBinding, EvidenceLevel::configuration) >= 2) return Conflict::definite;
    if (findings.size() >= 2 && atLevel(EvidenceLevel::conditionalConfiguration) >= 1) return Conflict::possible;
    return Conflict::none;
}

}  // namespace chordmap
