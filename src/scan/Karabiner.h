#pragma once

#include "model/Evidence.h"
#include "model/Value.h"

#include <vector>

namespace chordmap {

class Processes;

// The configuration, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* karabinerFile = ".config/karabiner/karabiner.json";
inline constexpr const char* karabinerLabel = "Karabiner 当前配置";

// The simple modifications of the first selected profile whose input is the
// shortcut's key (whatever the modifiers), then its enabled basic
// manipulators whose input is the key and whose modifier rules admit the
// shortcut's modifiers; each group in file order.
std::vector<Finding> karabinerFindings(const Processes& processes, const Value::Dictionary& root,
                                       const ShortcutSpec& shortcut, const Url& sourceURL);

}  // namespace chordmap
