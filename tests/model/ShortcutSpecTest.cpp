#include "model/ShortcutSpec.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace chordmap {
namespace {

using namespace modifier;

TEST(ShortcutSpec, keepsOnlyMeaningfulModifiers) {
    struct Row {
        const char* name;
        std::uint16_t keyCode;
        std::uint64_t given, stored;
    };
    const Row rows[] = {
        {"fnDroppedOnF1", 122, function | command, command},
        {"fnDroppedOnLeftArrow", 123, function | control, control},
        {"fnDroppedOnF20", 90, function, 0},
        {"fnKeptOnLetterCapsLockDropped", 0, function | 0x10000, function},
        {"deviceDependentBitsDropped", 4, command | 0x108, command},
        {"numericPadAndHelpDropped", 125, 0x200000 | 0x400000 | function | control, control},
        {"allFiveKept", 49, all | 0xFFFF'FFFF'0000'0000ULL, all},
    };
    for (const Row& row : rows) EXPECT_EQ(ShortcutSpec(row.keyCode, row.given).modifiers, row.stored) << row.name;
}

TEST(ShortcutSpec, keyNameFallsBackToDecimalCode) {
    EXPECT_EQ(ShortcutSpec(113, 0).keyName(), "F15");
    EXPECT_EQ(ShortcutSpec(52, 0).keyName(), "Key 52");
    // Named for display only: no configuration word finds them.
    EXPECT_EQ(ShortcutSpec(57, 0).keyName(), "⇪ Caps Lock");
    EXPECT_EQ(ShortcutSpec(54, command).displayName(), "⌘ 右 ⌘");
    EXPECT_FALSE(ShortcutSpec::keyCodeNamed("⇪ Caps Lock"));
    EXPECT_EQ(ShortcutSpec(42, 0).keyName(), "\\");
    EXPECT_EQ(ShortcutSpec(65535, 0).keyName(), "Key 65535");
}

TEST(ShortcutSpec, displayNameOrdersSymbolsControlOptionShiftCommandFn) {
    EXPECT_EQ(ShortcutSpec(0, command | shift).displayName(), "⇧ ⌘ A");
    EXPECT_EQ(ShortcutSpec(36, 0).displayName(), "Return");
    EXPECT_EQ(ShortcutSpec(4, function | control).displayName(), "⌃ fn H");
    EXPECT_EQ(ShortcutSpec(49, hyper).displayName(), "⌃ ⌥ ⇧ ⌘ Space");
}

TEST(ShortcutSpec, equalValuesHashEqual) {
    const std::hash<ShortcutSpec> hash;
    EXPECT_EQ(ShortcutSpec(122, function | command), ShortcutSpec(122, command));
    EXPECT_EQ(hash(ShortcutSpec(122, function | command)), hash(ShortcutSpec(122, command)));
    EXPECT_NE(ShortcutSpec(0, function), ShortcutSpec(0, 0));
}

struct KeyNameRow {
    const char* name;
    std::optional<std::uint16_t> code;
};

TEST(ShortcutSpec, keyCodeNamed) {
    const KeyNameRow rows[] = {
        {"SPACEBAR", 49}, {"0x31", 49},     {"0X31", 49},           {"0x", std::nullopt},
        {"0x10000", std::nullopt},           {"0xzz", std::nullopt}, {"0x-1", std::nullopt},
        {"0x+1", std::nullopt},              {"0xffff", 65535},      {"F15", 113},
        {"Keypad Enter", 76}, {"enter", 36}, {"a", 0},               {"grave_accent_and_tilde", 50},
        {"caps_lock", std::nullopt},         {"=", 24},              {"[", 33},
        {"page up", 116},     {"←", 123},    {"forward delete", 117}, {"", std::nullopt},
        {"key 10", std::nullopt},
        {"\u212A", 40},                     // the Kelvin sign lower-cases to k
        {"PAGE\u00A0UP", std::nullopt},      // no-break space is not a space
    };
    for (const auto& row : rows) EXPECT_EQ(ShortcutSpec::keyCodeNamed(row.name), row.code) << row.name;
}

TEST(ShortcutSpec, modifiersNamed) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(ShortcutSpec::modifiersNamed({}), 0u);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"none"}), 0u);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"Hyper"}), hyper);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"left_shift", "rshift"}), shift);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"cmd", "super"}), std::nullopt);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"", "fn"}), function);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"⌃", "⌥", "⇧", "⌘"}), hyper);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"RIGHT_OPTION", "lctrl"}), option | control);
    EXPECT_EQ(ShortcutSpec::modifiersNamed(Words{"\u0130ALT"}), std::nullopt);  // İ lower-cases to i and a dot
}

TEST(ShortcutSpec, cocoaModifiersFromCarbon) {
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(0x100 | 0x200), command | shift);
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(0x8000), control);
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(0x400), 0u);
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(0x20000 | 0x800 | 0x100), function | option | command);
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(0x2000 | 0x4000), shift | option);
    EXPECT_EQ(ShortcutSpec::cocoaModifiersFromCarbon(~0x2FB00ULL), 0u);
}

TEST(ShortcutSpec, selectableKeysSortCaseInsensitivelyWithNumbersByValue) {
    const auto keys = ShortcutSpec::selectableKeys();
    ASSERT_EQ(keys.size(), 100u);
    auto position = [&](std::string_view name) {
        return std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.name == name; }) - keys.begin();
    };
    EXPECT_LT(position("F1"), position("F2"));
    EXPECT_LT(position("F2"), position("F10"));
    EXPECT_LT(position("F9"), position("F10"));
    EXPECT_LT(position("Keypad 9"), position("Keypad Enter"));
    EXPECT_LT(position("Delete"), position("End"));
    EXPECT_LT(position("Page Down"), position("Page Up"));
}

}  // namespace
}  // namespace chordmap
