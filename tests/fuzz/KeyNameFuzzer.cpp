// Key and modifier names as other tools write them.
#include "fuzz/FuzzSupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chordmap;
    const std::string_view input = fuzzing::text(data, size);
    (void)ShortcutSpec::keyCodeNamed(input);
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == ' ') {
            words.emplace_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    if (const auto modifiers = ShortcutSpec::modifiersNamed(words)) (void)ShortcutSpec(0, *modifiers).displayName();
    return 0;
}
