#pragma once

// The regular expressions the hand-written skhd and Lua matchers stand for,
// run by ICU: the reference the fuzzers hold the fast matchers to.

#include "model/Text.h"
#include "platform/Regex.h"
#include "scan/LuaText.h"
#include "scan/Skhd.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap::reference {

inline const char* const skhdBindingLine =
    R"(^\s*(?:(\w+)\s*<\s*)?([A-Za-z+\s]*)\s*-\s*(0x[0-9A-Fa-f]+|[^\s:]+)\s*(:|\[|->))";

// Group 1 is the modifier list between the braces, group 2 the key name.
inline constexpr std::array<const char*, 2> luaDeclarations{
    R"(hs\.hotkey\.(?:bind|new)\s*\(\s*\{([^}]*)\}\s*,\s*["']([^"']+)["'])",
    R"(mods\s*=\s*\{([^}]*)\}\s*,\s*key\s*=\s*["']([^"']+)["'])",
};

// The binding at the start of a line; none when there is none or when the
// search ran out of work, which `exhausted` then tells.
inline std::optional<SkhdBindingText> skhdBinding(std::string_view line, bool* exhausted = nullptr) {
    static const std::optional<Regex> pattern = Regex::compile(skhdBindingLine);
    if (exhausted) *exhausted = false;
    if (!pattern) return std::nullopt;
    thread_local RegexMatcher matcher(*pattern);
    std::optional<RegexMatch> match = matcher.firstMatch(line);
    if (exhausted) *exhausted = matcher.lastSearchExhausted();
    if (!match) return std::nullopt;
    return SkhdBindingText{.mode = match->group(1), .modifiers = match->group(2).value_or(""),
                           .key = match->group(3).value_or(""), .separator = match->group(4).value_or("")};
}

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
