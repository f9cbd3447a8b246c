#pragma once

// The regular expressions the hand-written Lua matcher stands for, run by
// ICU: the reference the fuzzer holds the fast matcher to.

#include "model/Text.h"
#include "platform/Regex.h"
#include "scan/LuaText.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap::reference {

// Group 1 is the modifier list between the braces, group 2 the key name.
inline constexpr std::array<const char*, 2> luaDeclarations{
    R"(hs\.hotkey\.(?:bind|new)\s*\(\s*\{([^}]*)\}\s*,\s*["']([^"']+)["'])",
    R"(mods\s*=\s*\{([^}]*)\}\s*,\s*key\s*=\s*["']([^"']+)["'])",
};

// Every literal Lua declaration of a text; none when a search gave up.
inline std::optional<std::vector<LuaHotKeyDeclaration>> luaHotKeyDeclarations(std::string_view text) {
    static const std::array<std::optional<Regex>, 2> compiled{Regex::compile(luaDeclarations[0]),
                                                              Regex::compile(luaDeclarations[1])};
    std::vector<LuaHotKeyDeclaration> found;
    for (std::size_t pattern = 0; pattern < compiled.size(); ++pattern) {
        if (!compiled[pattern]) return std::nullopt;
        RegexMatcher matcher(*compiled[pattern]);
        for (const RegexMatch& match : matcher.allMatches(text)) {
            if (!match.group(1) || !match.group(2)) continue;
            found.push_back({.pattern = pattern, .start = match.start, .modifierList = *match.group(1),
                             .keyName = *match.group(2)});
        }
        if (matcher.lastSearchExhausted()) return std::nullopt;
    }
    return found;
}

}  // namespace chordmap::reference
