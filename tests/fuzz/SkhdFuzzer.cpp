// Fuzzed skhd configuration text, every line through the binding matcher.
#include "fuzz/FuzzSupport.h"
#include "scan/Skhd.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    fuzzing::checkDeclarations(input, [&](Inventory& inventory) { skhdDeclarations(input, fuzzing::sourceURL(), inventory); });
    return 0;
}
