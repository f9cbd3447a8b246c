#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace chordmap {

// Where a modifier list or a key came from.
struct LuaSource {
    enum class Kind : std::uint8_t {
        written,  // written in place
        table,    // a table bound to `name`
        string,   // a string bound to `name`
        value,    // a value bound to `name` (a key), or a list holding one (a modifier list)
    };
    Kind kind = Kind::written;
    std::string_view name = {};
};

// One hot key a Lua file gives Hammerspoon, with its modifiers and key as
// Hammerspoon receives them and where they came from. The views are into
// the text, or into what the reader keeps while it calls back.
struct LuaHotKey {
    enum class Shape : std::uint8_t {
        call,          // hs.hotkey.bind / new / bindSpec
        tableEntry,    // a `mods = {...}, key = '...'` table entry
        modalEntry,    // the key hs.hotkey.modal.new gives a modal
        modalBinding,  // a binding of a modal, active while it is
        spoonMapping,  // an entry of a Spoon's hot-key mapping (bindHotkeys, `hotkeys = ...`)
    };
    Shape shape = Shape::call;
    std::size_t at = 0;  // where the declaration is written
    // The words of a modifier list (one for a list given as a string).
    std::span<const std::string_view> modifiers = {};
    // A key name, or a raw key code.
    std::string_view key = {};
    std::optional<std::int64_t> keyCode = {};
    LuaSource modifiersFrom = {};
    LuaSource keyFrom = {};
    std::string_view owner = {};  // the modal's or the Spoon's name, when known
    std::string_view entry = {};  // the mapping entry's name
    // Set when a loop over a table of this file gave the entry: the table's
    // name, empty for one written in place.
    std::optional<std::string_view> loopTable = {};

    // A call or a table entry whose list and key are written in place.
    bool literal() const;
};

// The hot keys a Lua text declares, found without running it: the calls of
// hs.hotkey and hs.hotkey.modal, modal bindings and Spoon hot-key mappings,
// with modifier lists and keys written in place, bound to a name earlier in
// the file (the last assignment before the use, in text order), or taken
// from the entries of a table of the file that a loop hands to a binding.
// Inside strings only the two literal shapes count, found as
// luaHotKeyDeclarations finds them. Comments never count. Linear in the
// text. Calls `each` with every hot key, in the order the text declares
// them (a loop's entries where its binding is).
void forEachLuaHotKey(std::string_view text, const std::function<void(const LuaHotKey&)>& each);

}  // namespace chordmap
