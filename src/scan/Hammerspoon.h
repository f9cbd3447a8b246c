#pragma once

#include "model/Evidence.h"

#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

class Processes;

// The text with its Lua comments blanked: every character of a comment
// becomes a space, except line feeds, which stay, so each line of the
// result is the same line of the text. Quoted strings are kept whole.
std::string stripLuaComments(std::string_view text);

// The literal hot-key declarations of one Lua file that are exactly
// `shortcut`: first every hs.hotkey.bind / hs.hotkey.new call, then every
// `mods = {...}, key = '...'` table entry, each in text order. Comments do
// not count; text inside strings does.
std::vector<Finding> hammerspoonFindings(const Processes& processes, std::string_view text,
                                         const ShortcutSpec& shortcut, const Url& sourceURL);

}  // namespace chordmap
