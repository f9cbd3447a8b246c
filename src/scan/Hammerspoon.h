#pragma once

#include "scan/Declaration.h"

#include <string_view>

namespace chordmap {

class Processes;

// The literal hot-key declarations of one Lua file, each claiming its
// combination exactly: first every hs.hotkey.bind / hs.hotkey.new call, then
// every `mods = {...}, key = '...'` table entry, each in text order.
// Comments do not count; text inside strings does.
void hammerspoonDeclarations(const Processes& processes, std::string_view text, const Url& sourceURL,
                             Inventory& inventory);

}  // namespace chordmap
