#pragma once

#include "model/Evidence.h"
#include "model/KeyboardMap.h"
#include "model/Value.h"

#include <string>

namespace chordmap {

// The keyed form of the records, as the JSON output writes them.
Value encode(const ShortcutSpec& shortcut);
Value encode(const AppIdentity& application);
Value encode(const Finding& finding);
Value encode(const DetectionSnapshot& snapshot);
Value encode(const KeyboardMap& map);
Value encode(const ObservationDiagnostic& diagnostic);

// Seconds since 2001-01-01 00:00:00 UTC.
double secondsSinceReferenceDate(std::chrono::system_clock::time_point time);

// Pretty-printed JSON: keys sorted, two-space indentation, " : " between key
// and value, "/" escaped, UTF-8 text unescaped (invalid bytes become U+FFFD),
// control characters escaped. No trailing line feed.
std::string writeJson(const Value& value);

}  // namespace chordmap
