#pragma once

#include <optional>
#include <string>

namespace chordmap {

// The version text of the program's bundle metadata
// (CFBundleShortVersionString); none when the metadata has no such text.
std::optional<std::string> bundleShortVersion();

}  // namespace chordmap
