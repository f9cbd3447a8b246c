// A fuzzed preference file read as each known application's.
#include "fuzz/FuzzSupport.h"
#include "formats/Documents.h"
#include "scan/KnownPreferences.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    const auto document = parsePropertyList(input);
    if (!document || !document->dictionary()) return 0;
    const fuzzing::NoProcesses processes;
    for (const KnownApplication& application : knownApplications)
        fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
            knownPreferenceDeclarations(processes, application, *document->dictionary(), fuzzing::sourceURL(), inventory);
        });
    return 0;
}
