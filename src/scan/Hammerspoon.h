#pragma once

#include "model/Evidence.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

class Processes;

// The text with its Lua comments blanked: every character of a comment's
// text becomes a space, except line feeds, which stay, so each line of the
// result is the same line of the text; the "--" and long brackets that
// delimit a comment are dropped. Quoted strings are kept whole. Bytes that
// are not UTF-8 still keep their line feeds and never lengthen the text.
std::string stripLuaComments(std::string_view text);

// One literal hot-key declaration in comment-stripped Lua text.
struct LuaHotKeyDeclaration {
    std::size_t pattern = 0;  // 0: an hs.hotkey.bind / new call, 1: a `mods = ..., key = ...` entry
    std::size_t start = 0;    // byte offset where the declaration begins
    std::string modifierList;  // between the braces, as written
    std::string keyName;       // between the quotes, as written

    bool operator==(const LuaHotKeyDeclaration&) const = default;
};

// Every declaration of the stripped text: first the calls, then the table
// entries, each in text order and never overlapping. Linear in the text.
std::vector<LuaHotKeyDeclaration> luaHotKeyDeclarations(std::string_view stripped);

// The same declarations found by the two regular expressions they follow:
// the reference the fast search must agree with. None when a search ran out
// of its work budget.
std::optional<std::vector<LuaHotKeyDeclaration>> luaHotKeyDeclarationsByPattern(std::string_view stripped);

// The literal hot-key declarations of one Lua file that are exactly
// `shortcut`: first every hs.hotkey.bind / hs.hotkey.new call, then every
// `mods = {...}, key = '...'` table entry, each in text order. Comments do
// not count; text inside strings does.
std::vector<Finding> hammerspoonFindings(const Processes& processes, std::string_view text,
                                         const ShortcutSpec& shortcut, const Url& sourceURL);

}  // namespace chordmap
