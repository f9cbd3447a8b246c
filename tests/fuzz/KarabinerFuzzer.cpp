// A fuzzed karabiner.json, as the scan would parse it, searched for common
// combinations.
#include "fuzz/FuzzSupport.h"
#include "scan/Karabiner.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    const fuzzing::NoProcesses processes;
    fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
        karabinerDeclarations(processes, input, fuzzing::sourceURL(), inventory);
    });
    return 0;
}
