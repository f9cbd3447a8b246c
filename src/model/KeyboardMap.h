#pragma once

#include "model/Evidence.h"

#include <chrono>
#include <cstdint>
#include <optional>
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
// From the levels of the findings that claim one combination.
Conflict conflictOf(const std::vector<EvidenceLevel>& levels);
// The same in one front application: a finding that holds there counts as
// unconditional, one that does not hold there does not count.
Conflict conflictOf(const std::vector<const Finding*>& findings);

// Every combination some configuration claims, by key code, then modifiers.
struct KeyboardMap {
    struct Combination {
        ShortcutSpec shortcut;
        // Places in `findings`, in the order a scan of the combination gives
        // them (without the keyboard filters, which claim nothing).
        std::vector<std::uint32_t> findings;
        Conflict conflict = Conflict::none;
    };

    // Each claim's finding once, in rank order; a claim of many
    // combinations is listed under each.
    std::vector<Finding> findings;
    std::vector<Combination> combinations;
    std::vector<std::string> notes;
    std::vector<std::string> checkedSources;
    std::chrono::system_clock::time_point observedAt;
    std::optional<FrontApplication> frontApplication = std::nullopt;
};

}  // namespace chordmap
