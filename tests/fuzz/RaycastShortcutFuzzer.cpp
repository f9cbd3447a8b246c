// Raycast's hot-key text: whatever it gives is a combination the
// normalising constructor would give. (Fn on a function or arrow key
// normalises away, so no modifier may be left.)
#include "fuzz/FuzzSupport.h"
#include "scan/KnownPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chordmap;
    if (const auto shortcut = raycastShortcut(fuzzing::text(data, size))) {
        if (shortcut->keyCode > 127) __builtin_trap();
        if (!(ShortcutSpec(shortcut->keyCode, shortcut->modifiers) == *shortcut)) __builtin_trap();
        (void)shortcut->displayName();
    }
    return 0;
}
