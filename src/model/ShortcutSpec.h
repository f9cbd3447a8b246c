#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chordmap {

// Device-independent modifier flag bits (the event-flag encoding).
namespace modifier {
inline constexpr std::uint64_t shift = 0x20000;
inline constexpr std::uint64_t control = 0x40000;
inline constexpr std::uint64_t option = 0x80000;
inline constexpr std::uint64_t command = 0x100000;
inline constexpr std::uint64_t function = 0x800000;
inline constexpr std::uint64_t hyper = shift | control | option | command;
inline constexpr std::uint64_t all = hyper | function;
}  // namespace modifier

struct SelectableKey {
    std::uint16_t code;
    std::string name;
    bool operator==(const SelectableKey&) const = default;
};

// One keyboard combination: a physical key (macOS virtual key code) and a set
// of modifier flags.
struct ShortcutSpec {
    std::uint16_t keyCode = 0;
    std::uint64_t modifiers = 0;

    // Normalising constructor for every combination that comes from outside:
    // keeps only the five modifier bits and drops fn on function and arrow keys.
    ShortcutSpec(std::uint16_t keyCode, std::uint64_t modifiers);

    // The name in keyNames(), else a display-only name of a few more keys
    // (caps lock, the modifier keys, ISO and JIS keys), else "Key " and the code.
    std::string keyName() const;
    std::string displayName() const;

    static const std::map<std::uint16_t, std::string>& keyNames();
    static const std::set<std::uint16_t>& functionKeyCodes();
    static std::vector<SelectableKey> selectableKeys();

    // Key and modifier names as written in other tools' configuration files.
    static std::optional<std::uint16_t> keyCodeNamed(std::string_view name);
    static std::optional<std::uint64_t> modifiersNamed(const std::vector<std::string>& words);
    static std::uint64_t cocoaModifiersFromCarbon(std::uint64_t carbon);

    ShortcutSpec() = default;

    bool operator==(const ShortcutSpec&) const = default;
};

}  // namespace chordmap

template <>
struct std::hash<chordmap::ShortcutSpec> {
    std::size_t operator()(const chordmap::ShortcutSpec& s) const noexcept {
        std::size_t h = std::hash<std::uint16_t>{}(s.keyCode);
        return h ^ (std::hash<std::uint64_t>{}(s.modifiers) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};
