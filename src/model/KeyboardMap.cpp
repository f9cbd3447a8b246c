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

}  // namespace chordmap
