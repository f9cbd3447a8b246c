// Fuzzed skhd configuration text through skhd's grammar: valid texts, the
// same declarations for any one combination as for all, a refused line
// inside the text.
#include "fuzz/FuzzSupport.h"
#include "scan/Skhd.h"

#include <algorithm>

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    std::size_t refused = 0;
    fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
        SkhdConfiguration configuration;
        refused = skhdDeclarations(input, fuzzing::sourceURL(), configuration, inventory).firstRefusedLine;
    });
    if (refused > static_cast<std::size_t>(std::count(input.begin(), input.end(), '\n')) + 1) __builtin_trap();
    return 0;
}
