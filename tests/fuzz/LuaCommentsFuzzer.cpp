// Comment stripping keeps every line where it was, and on UTF-8 it blanks
// exactly what the character-by-character walk blanks.
#include "fuzz/FuzzSupport.h"
#include "scan/LuaText.h"
#include "scan/LuaCommentsReference.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = chordmap::fuzzing::text(data, size);
    const std::string stripped = chordmap::stripLuaComments(input);
    if (std::count(stripped.begin(), stripped.end(), '\n') != std::count(input.begin(), input.end(), '\n'))
        __builtin_trap();
    if (stripped.size() > input.size()) __builtin_trap();
    const std::string valid = chordmap::validUtf8(input);
    if (chordmap::stripLuaComments(valid) != chordmap::reference::stripLuaComments(valid)) __builtin_trap();
    return 0;
}
