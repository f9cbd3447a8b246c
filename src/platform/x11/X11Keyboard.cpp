#include "platform/x11/X11Keyboard.h"

#include "model/ShortcutSpec.h"

#include <linux/input-event-codes.h>

#include <utility>

namespace chordmap::x11 {
namespace {

// X servers on Linux number keys by the kernel's evdev codes plus 8.
constexpr unsigned xKeyCodeOffset = 8;

// Kernel key code → macOS virtual key code of the same physical position.
constexpr std::pair<unsigned, std::uint16_t> positions[] = {
    // Letters, US ANSI positions.
    {KEY_A, 0}, {KEY_S, 1}, {KEY_D, 2}, {KEY_F, 3}, {KEY_H, 4}, {KEY_G, 5}, {KEY_Z, 6}, {KEY_X, 7},
    {KEY_C, 8}, {KEY_V, 9}, {KEY_B, 11}, {KEY_Q, 12}, {KEY_W, 13}, {KEY_E, 14}, {KEY_R, 15},
    {KEY_Y, 16}, {KEY_T, 17}, {KEY_O, 31}, {KEY_U, 32}, {KEY_I, 34}, {KEY_P, 35}, {KEY_L, 37},
    {KEY_J, 38}, {KEY_K, 40}, {KEY_N, 45}, {KEY_M, 46},
    // The number row.
    {KEY_1, 18}, {KEY_2, 19}, {KEY_3, 20}, {KEY_4, 21}, {KEY_6, 22}, {KEY_5, 23}, {KEY_EQUAL, 24},
    {KEY_9, 25}, {KEY_7, 26}, {KEY_MINUS, 27}, {KEY_8, 28}, {KEY_0, 29},
    // Symbols.
    {KEY_RIGHTBRACE, 30}, {KEY_LEFTBRACE, 33}, {KEY_APOSTROPHE, 39}, {KEY_SEMICOLON, 41},
    {KEY_BACKSLASH, 42}, {KEY_COMMA, 43}, {KEY_SLASH, 44}, {KEY_DOT, 47}, {KEY_GRAVE, 50},
    // The ISO key beside left Shift, and the Japanese and Korean keys.
    {KEY_102ND, 10}, {KEY_YEN, 93}, {KEY_RO, 94}, {KEY_KPJPCOMMA, 95}, {KEY_KPCOMMA, 95}, {KEY_HANJA, 102},
    {KEY_HANGEUL, 104},
    // Editing and whitespace. Backspace is what a Mac calls Delete.
    {KEY_ENTER, 36}, {KEY_TAB, 48}, {KEY_SPACE, 49}, {KEY_BACKSPACE, 51}, {KEY_ESC, 53},
    // Modifiers: never reported as key presses, listed for completeness.
    {KEY_RIGHTMETA, 54}, {KEY_LEFTMETA, 55}, {KEY_LEFTSHIFT, 56}, {KEY_CAPSLOCK, 57}, {KEY_LEFTALT, 58},
    {KEY_LEFTCTRL, 59}, {KEY_RIGHTSHIFT, 60}, {KEY_RIGHTALT, 61}, {KEY_RIGHTCTRL, 62},
    // Function keys. A Mac keyboard has F13 to F15 where a PC keyboard has
    // Print Screen, Scroll Lock and Pause.
    {KEY_F1, 122}, {KEY_F2, 120}, {KEY_F3, 99}, {KEY_F4, 118}, {KEY_F5, 96}, {KEY_F6, 97},
    {KEY_F7, 98}, {KEY_F8, 100}, {KEY_F9, 101}, {KEY_F10, 109}, {KEY_F11, 103}, {KEY_F12, 111},
    {KEY_F13, 105}, {KEY_F14, 107}, {KEY_F15, 113}, {KEY_F16, 106}, {KEY_F17, 64}, {KEY_F18, 79},
    {KEY_F19, 80}, {KEY_F20, 90}, {KEY_SYSRQ, 105}, {KEY_SCROLLLOCK, 107}, {KEY_PAUSE, 113},
    // The navigation block. Where a PC keyboard has Insert, a Mac keyboard
    // has Help.
    {KEY_INSERT, 114}, {KEY_HELP, 114}, {KEY_HOME, 115}, {KEY_PAGEUP, 116}, {KEY_DELETE, 117},
    {KEY_END, 119}, {KEY_PAGEDOWN, 121}, {KEY_LEFT, 123}, {KEY_RIGHT, 124}, {KEY_DOWN, 125}, {KEY_UP, 126},
    // The keypad. Num Lock sits where a Mac keypad has Clear.
    {KEY_KPDOT, 65}, {KEY_KPASTERISK, 67}, {KEY_KPPLUS, 69}, {KEY_NUMLOCK, 71}, {KEY_KPSLASH, 75},
    {KEY_KPENTER, 76}, {KEY_KPMINUS, 78}, {KEY_KPEQUAL, 81}, {KEY_KP0, 82}, {KEY_KP1, 83}, {KEY_KP2, 84},
    {KEY_KP3, 85}, {KEY_KP4, 86}, {KEY_KP5, 87}, {KEY_KP6, 88}, {KEY_KP7, 89}, {KEY_KP8, 91}, {KEY_KP9, 92},
    // The context-menu key.
    {KEY_COMPOSE, 110},
};

constexpr std::uint16_t noKey = 0xFFFF;

constexpr std::array<std::uint16_t, 256> byXKeyCode = [] {
    std::array<std::uint16_t, 256> table{};
    table.fill(noKey);
    for (const auto& [evdev, mac] : positions) table[evdev + xKeyCodeOffset] = mac;
    return table;
}();

// macOS reports these keys only as a change of the modifier flags.
bool isMacModifierKey(std::uint16_t keyCode) { return keyCode >= 54 && keyCode <= 63; }

}  // namespace

std::optional<std::uint16_t> macKeyCode(std::uint8_t xKeyCode) {
    const std::uint16_t code = byXKeyCode[xKeyCode];
    if (code == noKey) return std::nullopt;
    return code;
}

std::uint64_t eventFlags(std::uint8_t modifierState) {
    std::uint64_t flags = 0;
    if (modifierState & x_modifier::shift) flags |= modifier::shift;
    if (modifierState & x_modifier::control) flags |= modifier::control;
    if (modifierState & x_modifier::mod1) flags |= modifier::option;
    if (modifierState & x_modifier::mod4) flags |= modifier::command;
    return flags;
}

ModifierMap ModifierMap::fromRows(std::span<const std::uint8_t> keyCodes, std::size_t keysPerModifier) {
    ModifierMap map;
    if (keysPerModifier == 0) return map;
    for (std::size_t i = 0; i < keyCodes.size() && i / keysPerModifier < 8; ++i) {
        if (keyCodes[i] != 0) map.masks_[keyCodes[i]] |= static_cast<std::uint8_t>(1u << (i / keysPerModifier));
    }
    return map;
}

void KeyboardState::holdKeys(std::span<const std::uint8_t> keyVector) {
    for (std::size_t byte = 0; byte < keyVector.size() && byte < 32; ++byte) {
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (keyVector[byte] & (1u << bit)) held_.set(byte * 8 + bit);
        }
    }
}

std::optional<KeyDown> KeyboardState::press(std::uint8_t xKeyCode) {
    const std::uint8_t before = heldModifiers();
    const bool repeat = held_.test(xKeyCode);
    held_.set(xKeyCode);

    const auto keyCode = macKeyCode(xKeyCode);
    if (!keyCode || isMacModifierKey(*keyCode) || modifiers_.modifiersOf(xKeyCode) != 0) return std::nullopt;
    return KeyDown{.keyCode = *keyCode, .flags = eventFlags(before), .autorepeat = repeat};
}

void KeyboardState::release(std::uint8_t xKeyCode) { held_.reset(xKeyCode); }

std::uint8_t KeyboardState::heldModifiers() const {
    std::uint8_t state = 0;
    for (unsigned key = 0; key < held_.size(); ++key) {
        if (held_.test(key)) state |= modifiers_.modifiersOf(static_cast<std::uint8_t>(key));
    }
    return state;
}

std::uint64_t ServerClock::nanoseconds(std::uint32_t serverMilliseconds) {
    // A step back by more than half the counter is the counter wrapping; a
    // smaller one cannot happen for times in server order.
    if (last_ && serverMilliseconds < *last_ && *last_ - serverMilliseconds > 0x80000000u) ++wraps_;
    last_ = serverMilliseconds;
    return ((wraps_ << 32) + serverMilliseconds) * 1'000'000;
}

}  // namespace chordmap::x11
