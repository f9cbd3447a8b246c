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

Conflict conflictOf(const std::vector<EvidenceLevel>& levels) {
    const auto atLevel = [&](auto... wanted) {
        return std::count_if(levels.begin(), levels.end(), [&](EvidenceLevel level) { return ((level == wanted) || ...); });
    };
    if (atLevel(EvidenceLevel::systemBinding, EvidenceLevel::configuration) >= 2) return Conflict::definite;
    if (levels.size() >= 2 && atLevel(EvidenceLevel::conditionalConfiguration) >= 1) return Conflict::possible;
    return Conflict::none;
}

Conflict conflictOf(const std::vector<const Finding*>& findings) {
    std::vector<EvidenceLevel> levels;
    levels.reserve(findings.size());
    for (const Finding* finding : findings) {
        if (!finding->applicability) {
            levels.push_back(finding->level);
        } else if (finding->applicability->applies == Applies::yes) {
            levels.push_back(EvidenceLevel::configuration);
        } else if (finding->applicability->applies == Applies::unknown) {
            levels.push_back(EvidenceLevel::conditionalConfiguration);
        }
    }
    return conflictOf(levels);
}

}  // namespace chordmap
