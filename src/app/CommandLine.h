#pragma once

#include "model/ShortcutSpec.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace chordmap {

struct PrintVersion {
    bool operator==(const PrintVersion&) const = default;
};
struct ScanShortcut {
    ShortcutSpec shortcut;
    bool operator==(const ScanShortcut&) const = default;
};
struct StartWindowedApplication {
    bool operator==(const StartWindowedApplication&) const = default;
};
using Command = std::variant<PrintVersion, ScanShortcut, StartWindowedApplication>;

// What the arguments ask for (the program's own path included); malformed
// scan requests fall through to the windowed application.
Command parseCommandLine(const std::vector<std::string>& arguments);

// Decimal with an optional single sign; "-" only with the value zero.
std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum);

}  // namespace chordmap
