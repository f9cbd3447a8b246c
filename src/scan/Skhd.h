#pragma once

#include "scan/Declaration.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// The binding lines of one skhd configuration text, in line order, each
// claiming its key and modifiers exactly. A line bound to a mode, to an
// application list or to a left- or right-hand modifier is conditional.
void skhdDeclarations(std::string_view text, const Url& sourceURL, Inventory& inventory);

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

}  // namespace chordmap
