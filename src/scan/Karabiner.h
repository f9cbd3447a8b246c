#pragma once

#include "model/Value.h"
#include "scan/Declaration.h"

namespace chordmap {

class Processes;

// The configuration, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* karabinerFile = ".config/karabiner/karabiner.json";
inline constexpr const char* karabinerLabel = "Karabiner 当前配置";

// The simple modifications of the first selected profile (each claims its
// key whatever the modifiers), then its enabled basic manipulators (each
// claims its key with the modifiers its rules admit); each group in file
// order.
void karabinerDeclarations(const Processes& processes, const Value::Dictionary& root, const Url& sourceURL,
                           Inventory& inventory);

}  // namespace chordmap
