// The hand-written search for the two literal declaration shapes (which
// the Hammerspoon source runs on the inside of Lua strings) against the
// two regular expressions it stands in for: on any text both find the same
// declarations.
#include "fuzz/FuzzSupport.h"
#include "scan/LuaText.h"
#include "support/ReferenceMatchers.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The scan only reads valid UTF-8.
    const std::string text = validUtf8(fuzzing::text(data, size));
    const std::vector<LuaHotKeyDeclaration> fast = luaHotKeyDeclarations(text);
    // A search the patterns gave up on proves nothing either way.
    const std::optional<std::vector<LuaHotKeyDeclaration>> byPattern = reference::luaHotKeyDeclarations(text);
    if (byPattern && fast != *byPattern) __builtin_trap();
    return 0;
}
