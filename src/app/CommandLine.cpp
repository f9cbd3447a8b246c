#include "app/CommandLine.h"

#include <algorithm>
#include <limits>

namespace chordmap {

std::optional<std::uint64_t> parseUnsigned(std::string_view text, std::uint64_t maximum) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (maximum - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative && value != 0) return std::nullopt;
    return value;
}

Command parseCommandLine(const std::vector<std::string>& arguments) {
    if (std::find(arguments.begin(), arguments.end(), "--version") != arguments.end()) return PrintVersion{};
    const auto scan = std::find(arguments.begin(), arguments.end(), "--scan");
    if (scan == arguments.end() || std::distance(scan, arguments.end()) < 3) return StartWindowedApplication{};
    const auto keyCode = parseUnsigned(*(scan + 1), std::numeric_limits<std::uint16_t>::max());
    const auto modifiers = parseUnsigned(*(scan + 2), std::numeric_limits<std::uint64_t>::max());
    if (!keyCode || !modifiers) return StartWindowedApplication{};
    return ScanShortcut{ShortcutSpec(static_cast<std::uint16_t>(*keyCode), *modifiers)};
}

}  // namespace chordmap
