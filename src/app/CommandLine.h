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
    std::optional<std::string> frontApplication = std::nullopt;  // --app: a bundle identifier or a path
    bool operator==(const ScanShortcut&) const = default;
};
struct PrintMap {
    std::optional<std::string> frontApplication = std::nullopt;
    bool operator==(const PrintMap&) const = default;
};
// --app without an application.
struct MisusedOption {
    bool operator==(const MisusedOption&) const = default;
};
struct PrintUsage {
    bool operator==(const PrintUsage&) const = default;
};
struct StartWindowedApplication {
    bool operator==(const StartWindowedApplication&) const = default;
};
using Command = std::variant<PrintVersion, PrintUsage, ScanShortcut, PrintMap, MisusedOption, StartWindowedApplication>;

// What the arguments ask for (the program's own path included): the version
// before the usage, before a well-formed scan, before the map; anything else,
// malformed scan requests included, starts the windowed application. A scan
// or the map may name the front application with --app.
Command parseCommandLine(const std::vector<std::string>& arguments);

// How to call the program, for --help and for a window that cannot start.
extern const char* const usageText;

// Decimal with an optional single sign; "-" only with the value zero.
std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum);

}  // namespace chordmap
