#pragma once

#include "model/Url.h"
#include "scan/Declaration.h"

#include <optional>
#include <string_view>

namespace chordmap {

class Processes;

// The configuration, below the home directory, and its label in notes and
// checked sources.
inline constexpr const char* karabinerFile = ".config/karabiner/karabiner.json";
inline constexpr const char* karabinerLabel = "Karabiner 当前配置";

// The profile Karabiner uses (the first selected one, else the first one) of
// a configuration as Karabiner reads it (JSON that may hold comments): its
// simple modifications and those of its devices (each claims its key
// whatever the modifiers; a device's only while that device is connected),
// then its enabled basic manipulators (each claims its key with the
// modifiers its rules admit); each group in file order. False when the
// bytes are no JSON object.
bool karabinerDeclarations(const Processes& processes, std::string_view bytes, const Url& sourceURL,
                           Inventory& inventory);

}  // namespace chordmap
