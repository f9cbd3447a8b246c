#include "scan/Declaration.h"

#include <algorithm>

namespace chordmap {

std::vector<ShortcutSpec> Claim::combinations() const {
    std::vector<ShortcutSpec> found;
    // The required modifiers with every subset of the optional ones, from
    // the most to the fewest; a set that normalisation changes (fn on an
    // arrow) is the same combination as a smaller one.
    const std::uint64_t optional = allowed & ~required & modifier::all;
    for (std::uint64_t extra = optional;; extra = (extra - 1) & optional) {
        const ShortcutSpec combination(keyCode, required | extra);
        if (combination.modifiers == (required | extra)) found.push_back(combination);
        if (extra == 0) break;
    }
    std::reverse(found.begin(), found.end());
    return found;
}

void Inventory::append(Inventory&& other) {
    const auto moveAll = [](auto& to, auto& from) {
        if (to.empty()) to = std::move(from);
        else to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
        from.clear();
    };
    moveAll(declarations, other.declarations);
    moveAll(notes, other.notes);
    moveAll(checkedSources, other.checkedSources);
}

}  // namespace chordmap
