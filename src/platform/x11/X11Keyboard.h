#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>

// What the X11 key tap makes of the raw key events of the X server, kept free
// of any X library so it can be tested on plain values.
namespace chordmap::x11 {

// The macOS virtual key code of the key at the same physical place as an X
// key code (the kernel's evdev code plus 8, which is what X servers on Linux
// use). Letters and symbols follow the US ANSI layout whatever layout the
// user types with. None for keys without a counterpart on a Mac keyboard
// (media keys, for one: macOS does not report them as key presses).
std::optional<std::uint16_t> macKeyCode(std::uint8_t xKeyCode);

// The X core modifier bits (ShiftMask 1, LockMask 2, ControlMask 4, Mod1Mask
// 8 ... Mod5Mask 0x80).
namespace x_modifier {
inline constexpr std::uint8_t shift = 0x01;
inline constexpr std::uint8_t lock = 0x02;
inline constexpr std::uint8_t control = 0x04;
inline constexpr std::uint8_t mod1 = 0x08;  // Alt on every common keymap
inline constexpr std::uint8_t mod2 = 0x10;
inline constexpr std::uint8_t mod3 = 0x20;
inline constexpr std::uint8_t mod4 = 0x40;  // Super on every common keymap
inline constexpr std::uint8_t mod5 = 0x80;
}  // namespace x_modifier

// The event-flag bits of an X modifier state: Shift, Control, Alt (Mod1) as
// option, Super (Mod4) as command. Lock and the other modifiers give
// nothing, and the fn bit is never set: a PC keyboard's Fn key never
// reaches the X server.
std::uint64_t eventFlags(std::uint8_t modifierState);

// Which modifier bits each key sets while held: the server's modifier
// mapping.
class ModifierMap {
public:
    ModifierMap() = default;
    // The rows of the X modifier mapping: eight rows (Shift, Lock, Control,
    // Mod1 ... Mod5) of keysPerModifier key codes each, 0 for an empty slot.
    // A short list fills what it covers.
    static ModifierMap fromRows(std::span<const std::uint8_t> keyCodes, std::size_t keysPerModifier);

    std::uint8_t modifiersOf(std::uint8_t xKeyCode) const { return masks_[xKeyCode]; }

private:
    std::array<std::uint8_t, 256> masks_{};
};

// One key press as the tap reports it.
struct KeyDown {
    std::uint16_t keyCode;  // macOS virtual key code
    std::uint64_t flags;    // event flags of the modifiers held at the press
    bool autorepeat;        // the key was already down

    bool operator==(const KeyDown&) const = default;
};

// The keys held on the keyboard, followed through raw presses and releases.
// Raw events carry no modifier state and no repeat flag, so both come from
// here: the modifiers are those of the keys held before the press, and a
// press of a key that is already down is a repeat.
class KeyboardState {
public:
    explicit KeyboardState(ModifierMap modifiers = {}) : modifiers_(modifiers) {}

    void setModifierMap(const ModifierMap& modifiers) { modifiers_ = modifiers; }
    // Keys already down when observation starts: the 32-byte key vector of
    // the X server, one bit per key code.
    void holdKeys(std::span<const std::uint8_t> keyVector);

    // None for a modifier key (macOS reports those as a change of flags,
    // never as a key press) and for a key without a Mac counterpart.
    std::optional<KeyDown> press(std::uint8_t xKeyCode);
    void release(std::uint8_t xKeyCode);

private:
    std::uint8_t heldModifiers() const;

    ModifierMap modifiers_;
    std::bitset<256> held_;
};

// Server time, in milliseconds on a 32-bit counter that wraps after about
// 49.7 days, as nanoseconds on a count that does not wrap. Times are taken
// in the order the server sent them.
class ServerClock {
public:
    std::uint64_t nanoseconds(std::uint32_t serverMilliseconds);

private:
    std::optional<std::uint32_t> last_;
    std::uint64_t wraps_ = 0;
};

}  // namespace chordmap::x11
