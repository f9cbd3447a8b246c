#pragma once

#include "model/Evidence.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// The binding lines of one skhd configuration text whose key and modifiers
// are exactly `shortcut`, in line order. A line bound to a mode, to an
// application list or to a left- or right-hand modifier is conditional.
std::vector<Finding> skhdFindings(std::string_view text, const ShortcutSpec& shortcut, const Url& sourceURL);

// The same findings with every line searched by the binding-line regular
// expression: the reference the fast matcher is checked against, many times
// slower.
std::vector<Finding> skhdFindingsByPattern(std::string_view text, const ShortcutSpec& shortcut, const Url& sourceURL);

// The parts of a binding line, as text: the mode before "<" (none without
// one), the modifier text (untrimmed), the key, and the separator that
// begins the action (":", "[" or "->").
struct SkhdBindingText {
    std::optional<std::string> mode;
    std::string modifiers;
    std::string key;
    std::string separator;

    bool operator==(const SkhdBindingText&) const = default;
};

// The same parts as views into the line they were found in.
struct SkhdBinding {
    std::optional<std::string_view> mode;
    std::string_view modifiers;
    std::string_view key;
    std::string_view separator;

    SkhdBindingText text() const;
};

// The binding at the start of `line`, if it is one: exactly what the
// binding-line regular expression
//   ^\s*(?:(\w+)\s*<\s*)?([A-Za-z+\s]*)\s*-\s*(0x[0-9A-Fa-f]+|[^\s:]+)\s*(:|\[|->)
// captures, found in time linear in the line's length. An ill-formed UTF-8
// sequence counts as one U+FFFD.
std::optional<SkhdBinding> skhdBindingOf(std::string_view line);

// The same by the regular expression itself (ICU); ill-formed sequences come
// back as U+FFFD. None when the search ran out of work, which `exhausted`
// then tells.
std::optional<SkhdBindingText> skhdBindingByPattern(std::string_view line, bool* exhausted = nullptr);

}  // namespace chordmap
