#pragma once

#include "model/KeyboardMap.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// One key of the drawn US keyboard, in key widths from the top-left corner.
// The modifier keys and caps lock are drawn for orientation only: no code.
struct KeyPlace {
    std::optional<std::uint16_t> code;
    std::string_view label;  // what the cap shows; the key's name is in keyNames()
    double x = 0;
    double y = 0;
    double width = 1;
    double height = 1;
};

// A full-size Apple keyboard: function row, main block, navigation block and
// keypad, with every named key at its place.
std::span<const KeyPlace> keyboardLayout();

// What the map holds for one key under one set of modifiers.
struct KeyClaims {
    ShortcutSpec shortcut;
    std::size_t count = 0;  // findings claiming the combination, but those that do not hold in front
    std::optional<EvidenceLevel> strongest;
    Conflict conflict = Conflict::none;
};

KeyClaims claimsOf(const KeyboardMap& map, std::uint16_t keyCode, std::uint64_t modifiers);

// What a screen reader says about a key: "⌃ ⌥ K：3 项占用，确定冲突".
std::string describe(const KeyClaims& claims);

// "确定冲突", "可能冲突", "无冲突".
std::string_view conflictWord(Conflict conflict);

// The places in map.combinations of every combination in conflict.
std::vector<std::size_t> conflictsOf(const KeyboardMap& map);

// The applications claiming a combination, each once, in rank order, joined
// with "、"; those whose claim does not hold in front left out.
std::string claimants(const KeyboardMap& map, const KeyboardMap::Combination& combination);

}  // namespace chordmap
