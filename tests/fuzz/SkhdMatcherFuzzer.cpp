// Fuzzed lines through the skhd binding matcher and through the regular
// expression it stands for: the parts found must be the same.
#include "fuzz/FuzzSupport.h"
#include "scan/Skhd.h"
#include "support/ReferenceMatchers.h"

using namespace chordmap;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line = validUtf8(fuzzing::text(data, size));
    bool exhausted = false;
    const std::optional<SkhdBindingText> expected = reference::skhdBinding(line, &exhausted);
    if (exhausted) return 0;
    const std::optional<SkhdBinding> actual = skhdBindingOf(line);
    if (actual.has_value() != expected.has_value()) __builtin_trap();
    if (actual && actual->text() != *expected) __builtin_trap();
    return 0;
}
