#include "scan/Declaration.h"

namespace chordmap {

std::vector<ShortcutSpec> Claim::combinations() const {
    std::vector<ShortcutSpec> found;
    // Every subset of the five modifier bits, in ascending order; a subset
    // that normalisation changes (fn on an arrow) is the same combination
    // as a smaller one already looked at.
    for (std::uint64_t subset = 0;; subset = (subset - modifier::all) & modifier::all) {
        const ShortcutSpec combination(keyCode, subset);
        if (combination.modifiers == subset && claims(combination)) found.push_back(combination);
        if (subset == modifier::all) break;
    }
    return found;
}

}  // namespace chordmap
