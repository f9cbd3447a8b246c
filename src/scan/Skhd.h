#pragma once

#include "model/Evidence.h"

#include <string_view>
#include <vector>

namespace chordmap {

// The binding lines of one skhd configuration text whose key and modifiers
// are exactly `shortcut`, in line order. A line bound to a mode, to an
// application list or to a left- or right-hand modifier is conditional.
std::vector<Finding> skhdFindings(std::string_view text, const ShortcutSpec& shortcut, const Url& sourceURL);

}  // namespace chordmap
