// Comment stripping keeps every line where it was.
#include "fuzz/FuzzSupport.h"
#include "scan/Hammerspoon.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = chordmap::fuzzing::text(data, size);
    const std::string stripped = chordmap::stripLuaComments(input);
    if (std::count(stripped.begin(), stripped.end(), '\n') != std::count(input.begin(), input.end(), '\n'))
        __builtin_trap();
    if (stripped.size() > input.size()) __builtin_trap();
    return 0;
}
