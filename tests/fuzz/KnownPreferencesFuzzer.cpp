// A fuzzed preference file read as each known application's (twice, as its
// container and outside it), or a fuzzed RectangleConfig.json.
#include "fuzz/FuzzSupport.h"
#include "formats/Documents.h"
#include "scan/KnownPreferences.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::text(data, size);
    const fuzzing::NoProcesses processes;
    if (const auto config = parseJson(input)) {
        fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
            rectangleConfigDeclarations(processes, *config, fuzzing::sourceURL(), nullptr, inventory);
        });
        return 0;
    }
    const auto document = parsePropertyList(input);
    if (!document || !document->dictionary()) return 0;
    for (const KnownApplication& application : knownApplications)
        fuzzing::checkDeclarations(input, [&](Inventory& inventory) {
            const Value::Dictionary& preferences = *document->dictionary();
            knownPreferenceDeclarations(processes, application, preferences, fuzzing::sourceURL(), nullptr, inventory);
            knownPreferenceDeclarations(processes, application, preferences, fuzzing::sourceURL(), &preferences, inventory);
        });
    return 0;
}
