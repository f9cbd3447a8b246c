#include "model/ShortcutSpec.h"
#include "platform/x11/X11Keyboard.h"
#include "x11/XvfbServer.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace chordmap::x11 {
namespace {

using testing::XvfbServer;

// The keys of the name table by the symbols the X server's US keymap puts on
// them (level 1, or level 2 for the keypad, whose first level is the
// navigation function).
const std::map<std::uint32_t, std::string>& namesBySymbol() {
    static const std::map<std::uint32_t, std::string> names = [] {
        std::map<std::uint32_t, std::string> table;
        for (char c = 'a'; c <= 'z'; ++c) {
            table[static_cast<std::uint32_t>(c)] = std::string(1, static_cast<char>(c - 'a' + 'A'));
        }
        for (char c = '0'; c <= '9'; ++c) table[static_cast<std::uint32_t>(c)] = std::string(1, c);
        for (char c : std::string("-=[]\\;',./`")) table[static_cast<std::uint32_t>(c)] = std::string(1, c);
        // X key symbols (X11/keysymdef.h) and the Mac key names of the same keys.
        const std::map<std::uint32_t, std::string> named{
            {0xff0d, "Return"}, {0xff09, "Tab"}, {0x0020, "Space"}, {0xff1b, "Escape"},
            {0xff08, "Delete"},          // BackSpace
            {0xffff, "Forward Delete"},  // Delete
            {0xff63, "Help"},            // Insert
            {0xff6a, "Help"},
            {0xff50, "Home"}, {0xff57, "End"}, {0xff55, "Page Up"}, {0xff56, "Page Down"},
            {0xff51, "←"}, {0xff52, "↑"}, {0xff53, "→"}, {0xff54, "↓"},
            {0xff61, "F13"},    // Print
            {0xff14, "F14"},    // Scroll_Lock
            {0xff13, "F15"},    // Pause
            {0xff7f, "Clear"},  // Num_Lock
            {0xffae, "Keypad ."}, {0xffaa, "Keypad *"}, {0xffab, "Keypad +"}, {0xffad, "Keypad -"},
            {0xffaf, "Keypad /"}, {0xff8d, "Keypad Enter"}, {0xffbd, "Keypad ="},
        };
        table.insert(named.begin(), named.end());
        for (int n = 0; n <= 9; ++n) table[0xffb0u + n] = "Keypad " + std::to_string(n);
        for (int n = 1; n <= 12; ++n) table[0xffbdu + n] = "F" + std::to_string(n);  // F1 is 0xffbe
        return table;
    }();
    return names;
}

struct XFree {
    void operator()(void* p) const { std::free(p); }
};

TEST(X11KeyTranslation, everyKeyOfTheServersUsKeymapLandsOnTheMacKeyOfTheSameName) {
    XvfbServer server;
    ASSERT_TRUE(server.running()) << server.error();
    xcb_connection_t* connection = xcb_connect(server.display().c_str(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(connection));
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto request = xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count));
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, XFree> mapping(
        xcb_get_keyboard_mapping_reply(connection, request, nullptr));
    ASSERT_TRUE(mapping);
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;

    // Keys that carry the symbol of another key in the US keymap but have a
    // place of their own: the extra keypad key of Brazilian keyboards (a
    // second decimal point) is the keypad comma of Japanese Mac keyboards;
    // the print-document key of some keyboards' media row is not Print
    // Screen and has no Mac counterpart.
    const std::map<std::uint8_t, std::optional<std::uint16_t>> ownPlace{{KEY_KPCOMMA + 8, 95},
                                                                        {KEY_PRINT + 8, std::nullopt}};

    std::set<std::string> reached;
    for (int index = 0; index < count; ++index) {
        const auto xKeyCode = static_cast<std::uint8_t>(setup->min_keycode + index);
        if (const auto place = ownPlace.find(xKeyCode); place != ownPlace.end()) {
            EXPECT_EQ(macKeyCode(xKeyCode), place->second) << "X key " << int(xKeyCode);
            continue;
        }
        for (int level = 0; level < 2 && level < perKey; ++level) {
            const auto name = namesBySymbol().find(symbols[index * perKey + level]);
            if (name == namesBySymbol().end()) continue;
            const auto code = macKeyCode(xKeyCode);
            ASSERT_TRUE(code) << "X key " << int(xKeyCode) << " (" << name->second << ") has no Mac key";
            EXPECT_EQ(ShortcutSpec(*code, 0).keyName(), name->second) << "X key " << int(xKeyCode);
            reached.insert(name->second);
            break;
        }
    }
    xcb_disconnect(connection);

    // F16 to F20 carry launcher symbols in the server's keymap; their kernel
    // codes name them.
    const std::pair<unsigned, const char*> upperFunctionKeys[] = {
        {KEY_F13, "F13"}, {KEY_F14, "F14"}, {KEY_F15, "F15"}, {KEY_F16, "F16"},
        {KEY_F17, "F17"}, {KEY_F18, "F18"}, {KEY_F19, "F19"}, {KEY_F20, "F20"}};
    for (const auto& [evdev, name] : upperFunctionKeys) {
        const auto code = macKeyCode(static_cast<std::uint8_t>(evdev + 8));
        ASSERT_TRUE(code) << name;
        EXPECT_EQ(ShortcutSpec(*code, 0).keyName(), name);
        reached.insert(name);
    }

    std::set<std::string> all;
    for (const auto& [code, name] : ShortcutSpec::keyNames()) all.insert(name);
    EXPECT_EQ(reached, all) << "every named key is reachable from a PC keyboard";
}

TEST(X11KeyTranslation, keysWithoutAMacCounterpartHaveNoCode) {
    for (unsigned evdev : {KEY_MUTE, KEY_VOLUMEUP, KEY_POWER, KEY_BRIGHTNESSUP, KEY_RESERVED}) {
        EXPECT_FALSE(macKeyCode(static_cast<std::uint8_t>(evdev + 8))) << "kernel key " << evdev;
    }
    EXPECT_FALSE(macKeyCode(255));
}

TEST(X11KeyTranslation, modifierStateBecomesEventFlags) {
    struct Row {
        const char* name;
        std::uint8_t state;
        std::uint64_t flags;
    };
    const Row rows[] = {
        {"nothing", 0, 0},
        {"shift", x_modifier::shift, modifier::shift},
        {"control", x_modifier::control, modifier::control},
        {"alt is option", x_modifier::mod1, modifier::option},
        {"super is command", x_modifier::mod4, modifier::command},
        {"caps lock, num lock, level 3 give nothing", x_modifier::lock | x_modifier::mod2 | x_modifier::mod5, 0},
        {"mod3 gives nothing", x_modifier::mod3, 0},
        {"all at once, never fn", 0xFF, modifier::hyper},
    };
    for (const auto& row : rows) EXPECT_EQ(eventFlags(row.state), row.flags) << row.name;
}

// The modifier mapping of the stock evdev US keymap.
ModifierMap stockModifiers() {
    const std::uint8_t rows[] = {
        50, 62, 0, 0,      // Shift: Shift_L, Shift_R
        66, 0, 0, 0,       // Lock: Caps_Lock
        37, 105, 0, 0,     // Control: Control_L, Control_R
        64, 108, 205, 0,   // Mod1: Alt_L, Alt_R, Meta
        77, 0, 0, 0,       // Mod2: Num_Lock
        0, 0, 0, 0,        // Mod3
        133, 134, 206, 207,  // Mod4: Super_L, Super_R, Super, Hyper
        92, 203, 0, 0,     // Mod5: ISO_Level3_Shift, Mode_switch
    };
    return ModifierMap::fromRows(rows, 4);
}

constexpr std::uint8_t controlL = 37, altL = 64, superR = 134, shiftR = 62, capsLock = 66;
constexpr std::uint8_t keyA = 38, keyK = 45, keyJ = 44, keyF5 = 71, keyUp = 111;

TEST(X11KeyboardState, pressesCarryTheModifiersHeldBeforeThem) {
    KeyboardState keyboard(stockModifiers());
    EXPECT_EQ(keyboard.press(controlL), std::nullopt) << "modifier keys are flag changes, not key presses";
    EXPECT_EQ(keyboard.press(altL), std::nullopt);
    EXPECT_EQ(keyboard.press(keyK), (KeyDown{40, modifier::control | modifier::option, false}));
    keyboard.release(keyK);
    keyboard.release(controlL);
    EXPECT_EQ(keyboard.press(keyK), (KeyDown{40, modifier::option, false}));
    keyboard.release(keyK);
    keyboard.release(altL);

    keyboard.press(superR);
    keyboard.press(shiftR);
    EXPECT_EQ(keyboard.press(keyA), (KeyDown{0, modifier::command | modifier::shift, false}));
    keyboard.release(keyA);
    keyboard.release(superR);
    keyboard.release(shiftR);
    EXPECT_EQ(keyboard.press(keyF5), (KeyDown{96, 0, false}));
    EXPECT_EQ(keyboard.press(keyUp), (KeyDown{126, 0, false})) << "F5 held is not a modifier";
}

TEST(X11KeyboardState, aPressOfAKeyAlreadyDownIsARepeat) {
    KeyboardState keyboard(stockModifiers());
    keyboard.press(controlL);
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, false}));
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, true}));
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, true}));
    keyboard.release(keyJ);
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, false}));
    keyboard.release(keyJ);
    keyboard.release(keyJ);  // a release of a key not down changes nothing
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, false}));
}

TEST(X11KeyboardState, keysDownAtTheStartCountAsHeld) {
    KeyboardState keyboard(stockModifiers());
    std::uint8_t keys[32] = {};
    keys[controlL / 8] |= 1 << (controlL % 8);
    keys[keyJ / 8] |= 1 << (keyJ % 8);
    keyboard.holdKeys(keys);
    EXPECT_EQ(keyboard.press(keyJ), (KeyDown{38, modifier::control, true}));
    EXPECT_EQ(keyboard.press(keyA), (KeyDown{0, modifier::control, false}));
}

TEST(X11KeyboardState, theServersModifierMappingDecides) {
    // Caps Lock turned into a second Control key, as the ctrl:nocaps option does.
    const std::uint8_t rows[] = {50, 62, 0, 0, capsLock, controlL};
    KeyboardState keyboard(ModifierMap::fromRows(rows, 2));
    EXPECT_EQ(keyboard.press(capsLock), std::nullopt);
    EXPECT_EQ(keyboard.press(keyA), (KeyDown{0, modifier::control, false}));
    keyboard.release(keyA);
    keyboard.release(capsLock);

    // Without a mapping, Alt is an ordinary key as far as the state goes, but
    // still never a key press of its own.
    keyboard.setModifierMap({});
    EXPECT_EQ(keyboard.press(altL), std::nullopt);
    EXPECT_EQ(keyboard.press(keyA), (KeyDown{0, 0, false}));

    // A key the mapping makes a modifier is never reported, whatever its place.
    const std::uint8_t f5AsMod3[] = {0, 0, 0, 0, 0, keyF5};
    keyboard.setModifierMap(ModifierMap::fromRows(f5AsMod3, 1));
    EXPECT_EQ(keyboard.press(keyF5), std::nullopt);
}

TEST(X11ServerClock, millisecondsBecomeNanosecondsThatKeepGrowingAcrossTheWrap) {
    ServerClock clock;
    EXPECT_EQ(clock.nanoseconds(1234), 1'234'000'000u);
    EXPECT_EQ(clock.nanoseconds(1234), 1'234'000'000u);
    EXPECT_EQ(clock.nanoseconds(0xFFFFFFF0u), 0xFFFFFFF0ull * 1'000'000);
    EXPECT_EQ(clock.nanoseconds(0x10), (0x1'0000'0000ull + 0x10) * 1'000'000);
    EXPECT_EQ(clock.nanoseconds(0x20), (0x1'0000'0000ull + 0x20) * 1'000'000);
    EXPECT_EQ(clock.nanoseconds(0x18), (0x1'0000'0000ull + 0x18) * 1'000'000) << "a small step back is no wrap";
}

}  // namespace
}  // namespace chordmap::x11
