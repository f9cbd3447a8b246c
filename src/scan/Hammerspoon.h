#pragma once

#include "scan/Declaration.h"

#include <string_view>

namespace chordmap {

class Processes;

// The hot keys one Lua file gives Hammerspoon, each claiming its
// combination exactly: first the literal hs.hotkey.bind / new calls, then
// the literal `mods = {...}, key = '...'` table entries, then the rest
// (lists and keys bound to names, modals, Spoon mappings, loops over
// tables), each in text order. Comments do not count; inside strings only
// the two literal shapes do.
void hammerspoonDeclarations(const Processes& processes, std::string_view text, const Url& sourceURL,
                             Inventory& inventory);

}  // namespace chordmap
