#include "ui/KeyboardOverview.h"

#include <algorithm>
#include <array>

namespace chordmap {
namespace {

// A claim of a rule that does not hold in the chosen application takes
// nothing there.
bool mayHold(const Finding& finding) {
    return !finding.applicability || finding.applicability->applies != Applies::no;
}

constexpr KeyPlace key(std::uint16_t code, std::string_view label, double x, double y, double width = 1,
                       double height = 1) {
    return {code, label, x, y, width, height};
}
constexpr KeyPlace drawn(std::string_view label, double x, double y, double width) {
    return {std::nullopt, label, x, y, width, 1};
}

// Rows at 0 (function keys) and 1.5 to 5.5; the main block is 15 wide, the
// navigation block starts at 15.5, the keypad at 19. F20, which Apple
// keyboards leave out, closes the function row.
constexpr auto layout = std::to_array<KeyPlace>({
    key(53, "esc", 0, 0), key(122, "F1", 2, 0), key(120, "F2", 3, 0), key(99, "F3", 4, 0), key(118, "F4", 5, 0),
    key(96, "F5", 6.5, 0), key(97, "F6", 7.5, 0), key(98, "F7", 8.5, 0), key(100, "F8", 9.5, 0),
    key(101, "F9", 11, 0), key(109, "F10", 12, 0), key(103, "F11", 13, 0), key(111, "F12", 14, 0),
    key(105, "F13", 15.5, 0), key(107, "F14", 16.5, 0), key(113, "F15", 17.5, 0),
    key(106, "F16", 19, 0), key(64, "F17", 20, 0), key(79, "F18", 21, 0), key(80, "F19", 22, 0), key(90, "F20", 23, 0),

    key(50, "`", 0, 1.5), key(18, "1", 1, 1.5), key(19, "2", 2, 1.5), key(20, "3", 3, 1.5), key(21, "4", 4, 1.5),
    key(23, "5", 5, 1.5), key(22, "6", 6, 1.5), key(26, "7", 7, 1.5), key(28, "8", 8, 1.5), key(25, "9", 9, 1.5),
    key(29, "0", 10, 1.5), key(27, "-", 11, 1.5), key(24, "=", 12, 1.5), key(51, "⌫", 13, 1.5, 2),
    key(114, "help", 15.5, 1.5), key(115, "↖", 16.5, 1.5), key(116, "⇞", 17.5, 1.5),
    key(71, "⌧", 19, 1.5), key(81, "=", 20, 1.5), key(75, "/", 21, 1.5), key(67, "*", 22, 1.5),

    key(48, "⇥", 0, 2.5, 1.5), key(12, "Q", 1.5, 2.5), key(13, "W", 2.5, 2.5), key(14, "E", 3.5, 2.5),
    key(15, "R", 4.5, 2.5), key(17, "T", 5.5, 2.5), key(16, "Y", 6.5, 2.5), key(32, "U", 7.5, 2.5),
    key(34, "I", 8.5, 2.5), key(31, "O", 9.5, 2.5), key(35, "P", 10.5, 2.5), key(33, "[", 11.5, 2.5),
    key(30, "]", 12.5, 2.5), key(42, "\\", 13.5, 2.5, 1.5),
    key(117, "⌦", 15.5, 2.5), key(119, "↘", 16.5, 2.5), key(121, "⇟", 17.5, 2.5),
    key(89, "7", 19, 2.5), key(91, "8", 20, 2.5), key(92, "9", 21, 2.5), key(78, "-", 22, 2.5),

    drawn("⇪", 0, 3.5, 1.75), key(0, "A", 1.75, 3.5), key(1, "S", 2.75, 3.5), key(2, "D", 3.75, 3.5),
    key(3, "F", 4.75, 3.5), key(5, "G", 5.75, 3.5), key(4, "H", 6.75, 3.5), key(38, "J", 7.75, 3.5),
    key(40, "K", 8.75, 3.5), key(37, "L", 9.75, 3.5), key(41, ";", 10.75, 3.5), key(39, "'", 11.75, 3.5),
    key(36, "↩", 12.75, 3.5, 2.25),
    key(86, "4", 19, 3.5), key(87, "5", 20, 3.5), key(88, "6", 21, 3.5), key(69, "+", 22, 3.5),

    drawn("⇧", 0, 4.5, 2.25), key(6, "Z", 2.25, 4.5), key(7, "X", 3.25, 4.5), key(8, "C", 4.25, 4.5),
    key(9, "V", 5.25, 4.5), key(11, "B", 6.25, 4.5), key(45, "N", 7.25, 4.5), key(46, "M", 8.25, 4.5),
    key(43, ",", 9.25, 4.5), key(47, ".", 10.25, 4.5), key(44, "/", 11.25, 4.5), drawn("⇧", 12.25, 4.5, 2.75),
    key(126, "↑", 16.5, 4.5),
    key(83, "1", 19, 4.5), key(84, "2", 20, 4.5), key(85, "3", 21, 4.5), key(76, "⌤", 22, 4.5, 1, 2),

    drawn("fn", 0, 5.5, 1), drawn("⌃", 1, 5.5, 1), drawn("⌥", 2, 5.5, 1), drawn("⌘", 3, 5.5, 1.25),
    key(49, "Space", 4.25, 5.5, 5.5), drawn("⌘", 9.75, 5.5, 1.25), drawn("⌥", 11, 5.5, 1),
    key(123, "←", 15.5, 5.5), key(125, "↓", 16.5, 5.5), key(124, "→", 17.5, 5.5),
    key(82, "0", 19, 5.5, 2), key(65, ".", 21, 5.5),
});

}  // namespace

std::span<const KeyPlace> keyboardLayout() { return layout; }

KeyClaims claimsOf(const KeyboardMap& map, std::uint16_t keyCode, std::uint64_t modifiers) {
    KeyClaims claims;
    claims.shortcut = ShortcutSpec(keyCode, modifiers);
    const auto order = [](const KeyboardMap::Combination& combination, const ShortcutSpec& shortcut) {
        return std::pair(combination.shortcut.keyCode, combination.shortcut.modifiers) <
               std::pair(shortcut.keyCode, shortcut.modifiers);
    };
    const auto found = std::lower_bound(map.combinations.begin(), map.combinations.end(), claims.shortcut, order);
    if (found == map.combinations.end() || found->shortcut != claims.shortcut) return claims;
    claims.conflict = found->conflict;
    for (const std::uint32_t place : found->findings) {
        if (!mayHold(map.findings[place])) continue;
        ++claims.count;
        const EvidenceLevel level = map.findings[place].level;
        if (!claims.strongest || level < *claims.strongest) claims.strongest = level;
    }
    return claims;
}

std::string_view conflictWord(Conflict conflict) {
    switch (conflict) {
        case Conflict::definite: return "确定冲突";
        case Conflict::possible: return "可能冲突";
        case Conflict::none: break;
    }
    return "无冲突";
}

std::string describe(const KeyClaims& claims) {
    std::string text = claims.shortcut.displayName() + "：";
    if (claims.count == 0) return text + "未发现占用";
    return text + std::to_string(claims.count) + " 项占用，" + std::string(conflictWord(claims.conflict));
}

std::vector<std::size_t> conflictsOf(const KeyboardMap& map) {
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < map.combinations.size(); ++i) {
        if (map.combinations[i].conflict != Conflict::none) places.push_back(i);
    }
    return places;
}

std::string claimants(const KeyboardMap& map, const KeyboardMap::Combination& combination) {
    std::vector<const std::string*> names;
    std::string text;
    for (const std::uint32_t place : combination.findings) {
        if (!mayHold(map.findings[place])) continue;
        const std::string& name = map.findings[place].application.name;
        if (std::any_of(names.begin(), names.end(), [&](const std::string* seen) { return *seen == name; })) continue;
        if (!names.empty()) text += "、";
        text += name;
        names.push_back(&name);
    }
    return text;
}

}  // namespace chordmap
