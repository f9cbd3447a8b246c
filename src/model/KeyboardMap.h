#pragma once

#include "model/Evidence.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// How sure it is that two claims on one combination collide.
enum class Conflict {
    none,
    possible,  // two or more claims, at least one under conditions
    definite,  // two or more unconditional claims (system or configuration)
};

std::string_view text(Conflict conflict);
Conflict conflictOf(const std::vector<Finding>& findings);

struct MappedCombination {
    ShortcutSpec shortcut;
    std::vector<Finding> findings;  // in rank order, as a scan of it gives them, without listeners
    Conflict conflict = Conflict::none;
};

// Every combination some configuration claims, by key code, then modifiers.
struct KeyboardMap {
    std::vector<MappedCombination> combinations;
    std::vector<std::string> notes;
    std::vector<std::string> checkedSources;
    std::chrono::system_clock::time_point observedAt;
};

}  // namespace chordmap
