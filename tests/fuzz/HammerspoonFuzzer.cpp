// Fuzzed Lua text searched for hot-key declarations.
#include "fuzz/FuzzSupport.h"
#include "scan/Hammerspoon.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    const fuzzing::NoProcesses processes;
    fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
        hammerspoonDeclarations(processes, input, fuzzing::sourceURL(), inventory);
    });
    return 0;
}
