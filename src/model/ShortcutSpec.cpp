#include "model/ShortcutSpec.h"

#include "model/Text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>
#include <unordered_map>

namespace chordmap {
namespace {

bool isArrowKey(std::uint16_t code) { return code >= 123 && code <= 126; }

const std::unordered_map<std::string_view, std::uint16_t>& keyAliases() {
    static const std::unordered_map<std::string_view, std::uint16_t> aliases{
        {"space", 49},          {"spacebar", 49},       {"return_or_enter", 36},
        {"return", 36},         {"enter", 36},          {"tab", 48},
        {"escape", 53},         {"esc", 53},            {"delete_or_backspace", 51},
        {"backspace", 51},      {"delete_forward", 117}, {"left_arrow", 123},
        {"left", 123},          {"right_arrow", 124},   {"right", 124},
        {"up_arrow", 126},      {"up", 126},            {"down_arrow", 125},
        {"down", 125},          {"open_bracket", 33},   {"close_bracket", 30},
        {"semicolon", 41},      {"quote", 39},          {"backslash", 42},
        {"comma", 43},          {"period", 47},         {"slash", 44},
        {"grave_accent_and_tilde", 50}, {"hyphen", 27}, {"equal_sign", 24},
        {"page_up", 116},       {"page_down", 121},
    };
    return aliases;
}

const std::unordered_map<std::string_view, std::uint64_t>& modifierWords() {
    using namespace modifier;
    static const std::unordered_map<std::string_view, std::uint64_t> words{
        {"ctrl", control},  {"control", control}, {"left_control", control}, {"right_control", control},
        {"lctrl", control}, {"rctrl", control},   {"⌃", control},
        {"alt", option},    {"option", option},   {"left_option", option},   {"right_option", option},
        {"lalt", option},   {"ralt", option},     {"⌥", option},
        {"cmd", command},   {"command", command}, {"left_command", command}, {"right_command", command},
        {"lcmd", command},  {"rcmd", command},    {"⌘", command},
        {"shift", shift},   {"left_shift", shift}, {"right_shift", shift},  {"lshift", shift},
        {"rshift", shift},  {"⇧", shift},
        {"fn", function},   {"function", function},
        {"hyper", hyper},
        {"", 0},            {"none", 0},
    };
    return words;
}

std::optional<std::uint16_t> hexadecimalKeyCode(std::string_view lower) {
    if (lower.size() <= 2 || lower.substr(0, 2) != "0x") return std::nullopt;
    std::string_view digits = lower.substr(2);
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    // from_chars would accept a leading '-': only hexadecimal digits count.
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.front() == '-') return std::nullopt;
    if (value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

ShortcutSpec::ShortcutSpec(std::uint16_t code, std::uint64_t flags) : keyCode(code) {
    if (functionKeyCodes().contains(code) || isArrowKey(code)) flags &= ~modifier::function;
    modifiers = flags & modifier::all;
}

const std::map<std::uint16_t, std::string>& ShortcutSpec::keyNames() {
    static const std::map<std::uint16_t, std::string> names{
        {0, "A"},    {1, "S"},    {2, "D"},    {3, "F"},    {4, "H"},    {5, "G"},    {6, "Z"},
        {7, "X"},    {8, "C"},    {9, "V"},    {11, "B"},   {12, "Q"},   {13, "W"},   {14, "E"},
        {15, "R"},   {16, "Y"},   {17, "T"},   {18, "1"},   {19, "2"},   {20, "3"},   {21, "4"},
        {22, "6"},   {23, "5"},   {24, "="},   {25, "9"},   {26, "7"},   {27, "-"},   {28, "8"},
        {29, "0"},   {30, "]"},   {31, "O"},   {32, "U"},   {33, "["},   {34, "I"},   {35, "P"},
        {36, "Return"}, {37, "L"}, {38, "J"},  {39, "'"},   {40, "K"},   {41, ";"},   {42, "\\"},
        {43, ","},   {44, "/"},   {45, "N"},   {46, "M"},   {47, "."},   {48, "Tab"}, {49, "Space"},
        {50, "`"},   {51, "Delete"}, {53, "Escape"}, {64, "F17"}, {65, "Keypad ."}, {67, "Keypad *"},
        {69, "Keypad +"}, {71, "Clear"}, {75, "Keypad /"}, {76, "Keypad Enter"}, {78, "Keypad -"},
        {79, "F18"}, {80, "F19"}, {81, "Keypad ="}, {82, "Keypad 0"}, {83, "Keypad 1"},
        {84, "Keypad 2"}, {85, "Keypad 3"}, {86, "Keypad 4"}, {87, "Keypad 5"}, {88, "Keypad 6"},
        {89, "Keypad 7"}, {90, "F20"}, {91, "Keypad 8"}, {92, "Keypad 9"}, {96, "F5"}, {97, "F6"},
        {98, "F7"},  {99, "F3"},  {100, "F8"}, {101, "F9"}, {103, "F11"}, {105, "F13"}, {106, "F16"},
        {107, "F14"}, {109, "F10"}, {111, "F12"}, {113, "F15"}, {114, "Help"}, {115, "Home"},
        {116, "Page Up"}, {117, "Forward Delete"}, {118, "F4"}, {119, "End"}, {120, "F2"},
        {121, "Page Down"}, {122, "F1"}, {123, "←"}, {124, "→"}, {125, "↓"}, {126, "↑"},
    };
    return names;
}

const std::set<std::uint16_t>& ShortcutSpec::functionKeyCodes() {
    static const std::set<std::uint16_t> codes{122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                               103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
    return codes;
}

std::string ShortcutSpec::keyName() const {
    const auto& names = keyNames();
    if (auto it = names.find(keyCode); it != names.end()) return it->second;
    // Keys that some tools bind but that no configuration names by these
    // words: shown by name, never looked up by it.
    static const std::map<std::uint16_t, std::string_view> shownOnly{
        {10, "ISO §"},     {54, "右 ⌘"},        {55, "左 ⌘"},         {56, "左 ⇧"},  {57, "⇪ Caps Lock"},
        {58, "左 ⌥"},      {59, "左 ⌃"},        {60, "右 ⇧"},         {61, "右 ⌥"},  {62, "右 ⌃"},
        {63, "Fn"},        {93, "JIS ¥"},       {94, "JIS _"},        {95, "JIS Keypad ,"},
        {102, "JIS 英数"}, {104, "JIS かな"},   {110, "☰ Menu"},
    };
    if (auto it = shownOnly.find(keyCode); it != shownOnly.end()) return std::string(it->second);
    return "Key " + std::to_string(keyCode);
}

std::string ShortcutSpec::displayName() const {
    static constexpr std::array<std::pair<std::uint64_t, std::string_view>, 5> symbols{{
        {modifier::control, "⌃"},
        {modifier::option, "⌥"},
        {modifier::shift, "⇧"},
        {modifier::command, "⌘"},
        {modifier::function, "fn"},
    }};
    std::string out;
    for (const auto& [bit, symbol] : symbols) {
        if (modifiers & bit) {
            out += symbol;
            out += ' ';
        }
    }
    return out + keyName();
}

std::vector<SelectableKey> ShortcutSpec::selectableKeys() {
    std::vector<SelectableKey> keys;
    for (const auto& [code, name] : keyNames()) keys.push_back({code, name});

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status)) {
        collator->setStrength(icu::Collator::SECONDARY);  // case-insensitive
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    }
    if (U_FAILURE(status)) {
        // Without ICU data the order falls back to plain text order, still deterministic.
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
        return keys;
    }
    std::stable_sort(keys.begin(), keys.end(), [&](const SelectableKey& a, const SelectableKey& b) {
        UErrorCode error = U_ZERO_ERROR;
        return collator->compareUTF8(a.name, b.name, error) == UCOL_LESS;
    });
    return keys;
}

std::optional<std::uint16_t> ShortcutSpec::keyCodeNamed(std::string_view name) {
    const std::string lower = lowercased(name);
    const auto& aliases = keyAliases();
    if (auto it = aliases.find(lower); it != aliases.end()) return it->second;
    if (auto code = hexadecimalKeyCode(lower)) return code;
    for (const auto& [code, keyName] : keyNames()) {
        if (lowercased(keyName) == lower) return code;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ShortcutSpec::modifiersNamed(const std::vector<std::string>& words) {
    const auto& table = modifierWords();
    std::uint64_t flags = 0;
    for (const auto& word : words) {
        auto it = table.find(lowercased(word));
        if (it == table.end()) return std::nullopt;
        flags |= it->second;
    }
    return flags;
}

std::uint64_t ShortcutSpec::cocoaModifiersFromCarbon(std::uint64_t carbon) {
    static constexpr std::array<std::pair<std::uint64_t, std::uint64_t>, 8> table{{
        {0x100, modifier::command},
        {0x200, modifier::shift},
        {0x800, modifier::option},
        {0x1000, modifier::control},
        {0x2000, modifier::shift},
        {0x4000, modifier::option},
        {0x8000, modifier::control},
        {0x20000, modifier::function},
    }};
    std::uint64_t flags = 0;
    for (const auto& [carbonBit, flag] : table) {
        if (carbon & carbonBit) flags |= flag;
    }
    return flags;
}

}  // namespace chordmap
