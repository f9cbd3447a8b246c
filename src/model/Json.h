#pragma once

#include "model/Evidence.h"
#include "model/KeyboardMap.h"
#include "model/Value.h"

#include <functional>
#include <string>
#include <string_view>

namespace chordmap {

// The keyed form of a diagnostic.
Value encode(const ObservationDiagnostic& diagnostic);

// Seconds since 2001-01-01 00:00:00 UTC.
double secondsSinceReferenceDate(std::chrono::system_clock::time_point time);

// Pretty-printed JSON: keys sorted, two-space indentation, " : " between key
// and value, "/" escaped, UTF-8 text unescaped (invalid bytes become U+FFFD),
// control characters escaped. No trailing line feed.
std::string writeJson(const Value& value);

// The snapshot as the command line prints it: the records' fields under
// their names, optionals left out, in the form above.
std::string snapshotJson(const DetectionSnapshot& snapshot);

// The map in the same form, handed to `sink` a piece at a time: a large
// configuration maps to hundreds of megabytes.
void writeMapJson(const KeyboardMap& map, const std::function<void(std::string_view)>& sink);

}  // namespace chordmap
