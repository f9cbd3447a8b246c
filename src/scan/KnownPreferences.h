#pragma once

#include "model/Value.h"
#include "scan/Declaration.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace chordmap {

class Processes;

// An application that keeps global hot keys in its preference file.
struct KnownApplication {
    const char* name;
    const char* bundleID;
};

// Scanned in this order; each file is Library/Preferences/<bundle id>.plist.
inline constexpr std::array<KnownApplication, 4> knownApplications{{
    {"Rectangle", "com.knollsoft.Rectangle"},
    {"Maccy", "org.p0deje.Maccy"},
    {"Raycast", "com.raycast.macos"},
    {"MonitorControl", "me.guillaumeb.MonitorControl"},
}};

// Raycast's stored global hot key: modifier names and a decimal key code,
// joined by hyphens (for example Option-49). None unless at least one
// modifier is named and the key code is at most 127.
std::optional<ShortcutSpec> raycastShortcut(std::string_view text);

// Every entry of one application's preferences that stores a hot key: a
// dictionary with keyCode and modifierFlags (or modifiers), the same as JSON
// text under a KeyboardShortcuts_ key, or Raycast's global hot key.
void knownPreferenceDeclarations(const Processes& processes, const KnownApplication& application,
                                 const Value::Dictionary& preferences, const Url& sourceURL, Inventory& inventory);

}  // namespace chordmap
