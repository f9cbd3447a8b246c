#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

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

}  // namespace chordmap
