#pragma once

#include "model/Value.h"
#include "scan/Declaration.h"

#include <array>
#include <optional>
#include <string_view>

namespace chordmap {

class Processes;

// An application that keeps global hot keys in its preference file.
struct KnownApplication {
    const char* name;
    const char* bundleID;
    // Sandboxed: it keeps its preferences in its container.
    bool sandboxed = false;
};

// Scanned in this order; each file is Library/Preferences/<bundle id>.plist
// and, for a sandboxed application, the same path in its container.
inline constexpr std::array<KnownApplication, 4> knownApplications{{
    {"Rectangle", "com.knollsoft.Rectangle"},
    {"Maccy", "org.p0deje.Maccy", true},
    {"Raycast", "com.raycast.macos"},
    {"MonitorControl", "me.guillaumeb.MonitorControl"},
}};

// Raycast's stored global hot key: modifier names and a decimal key code,
// joined by hyphens (for example Option-49). None unless at least one
// modifier is named and the key code is at most 127.
std::optional<ShortcutSpec> raycastShortcut(std::string_view text);

// Every entry of one application's preferences that stores a hot key: a
// dictionary with keyCode and modifierFlags (or modifiers); under a
// KeyboardShortcuts_ key, the same as JSON text or JSON text with Carbon's
// carbonKeyCode and carbonModifiers; in Rectangle's file, a shortcut kept as
// a keyed archive; in Raycast's, its global hot key. `earlier` is the
// application's file read before this one (or none): an entry storing the
// same binding under the same key there was declared from there.
void knownPreferenceDeclarations(const Processes& processes, const KnownApplication& application,
                                 const Value::Dictionary& preferences, const Url& sourceURL,
                                 const Value::Dictionary* earlier, Inventory& inventory);

// The shortcuts of the RectangleConfig.json Rectangle loads when it starts,
// by action name: each takes effect only once loaded, and one that Rectangle's
// `preferences` already hold is not declared again. False when Rectangle
// would reject the file as a whole.
bool rectangleConfigDeclarations(const Processes& processes, const Value& config, const Url& sourceURL,
                                 const Value::Dictionary* preferences, Inventory& inventory);

}  // namespace chordmap
