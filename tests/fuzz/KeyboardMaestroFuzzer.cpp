// A fuzzed macro library, as the scan would parse it, searched for common
// combinations.
#include "fuzz/FuzzSupport.h"
#include "scan/KeyboardMaestro.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    const auto document = parseKeyboardMaestroLibrary(input);
    if (!document || !document->dictionary()) return 0;
    const fuzzing::NoProcesses processes;
    fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
        keyboardMaestroDeclarations(processes, *document->dictionary(), fuzzing::sourceURL(), inventory);
    });
    return 0;
}
