#pragma once

#include "model/Evidence.h"
#include "model/ShortcutSpec.h"
#include "model/Text.h"
#include "model/Url.h"
#include "platform/Processes.h"
#include "scan/Declaration.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace chordmap::fuzzing {

// Nothing runs and nothing is installed: identities come from names alone.
struct NoProcesses final : Processes {
    std::vector<RunningApplication> runningApplications(const std::string&) const override { return {}; }
    std::optional<RunningApplication> runningApplication(std::int32_t) const override { return std::nullopt; }
    std::optional<Url> applicationURL(const std::string&) const override { return std::nullopt; }
    std::optional<std::string> executablePath(std::int32_t) const override { return std::nullopt; }
    bool processExists(std::int32_t) const override { return false; }
    std::int32_t ownPid() const override { return 1; }
};

inline std::string_view text(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Combinations common in real configurations, so seeds reach the matching
// paths, plus one that follows the input so mutations reach every key.
inline std::vector<ShortcutSpec> shortcutsFor(std::string_view input) {
    using namespace modifier;
    std::vector<ShortcutSpec> shortcuts{
        {49, command},           {49, option},          {49, control},       {0, hyper},
        {123, control | option | command}, {4, shift | command}, {36, control | shift}, {122, 0},
    };
    std::uint32_t hash = 2166136261u;
    for (char c : input) hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
    const std::uint64_t bits[] = {shift, control, option, command, function};
    std::uint64_t modifiers = 0;
    for (int i = 0; i < 5; ++i)
        if (hash & (1u << (8 + i))) modifiers |= bits[i];
    shortcuts.emplace_back(static_cast<std::uint16_t>(hash & 0x7f), modifiers);
    return shortcuts;
}

inline const Url& sourceURL() {
    static const Url url = Url::file("/Users/fuzz/source file", false);
    return url;
}

// What every source promises of its findings: text the output can carry.
inline void checkFindings(const std::vector<Finding>& findings) {
    for (const Finding& finding : findings) {
        if (!isValidUtf8(finding.id) || !isValidUtf8(finding.title) || !isValidUtf8(finding.detail) ||
            !isValidUtf8(finding.application.name))
            __builtin_trap();
    }
}

// A source's declarations: every finding is text the output can carry, and
// a scan of any combination (the common ones and one that follows the
// input) keeps exactly the declarations that claim it, in order.
template <typename Declare>
void checkDeclarations(std::string_view input, Declare declare) {
    Inventory everything;
    declare(everything);
    for (const Declaration& declaration : everything.declarations) checkFindings({declaration.finding});
    for (const ShortcutSpec& shortcut : shortcutsFor(input)) {
        Inventory one(shortcut);
        declare(one);
        std::vector<Finding> expected;
        for (const Declaration& declaration : everything.declarations)
            if (declaration.claim.claims(shortcut)) expected.push_back(declaration.finding);
        std::vector<Finding> actual;
        for (const Declaration& declaration : one.declarations) actual.push_back(declaration.finding);
        if (actual != expected) __builtin_trap();
    }
}

}  // namespace chordmap::fuzzing
