// Arguments separated by NUL bytes, as the system would pass them.
#include "app/CommandLine.h"
#include "fuzz/FuzzSupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chordmap;
    const std::string_view input = fuzzing::text(data, size);
    std::vector<std::string> arguments{"chordmap"};
    std::size_t start = 0;
    for (std::size_t i = 0; i <= input.size(); ++i) {
        if (i == input.size() || input[i] == '\0') {
            arguments.emplace_back(input.substr(start, i - start));
            start = i + 1;
        }
    }
    const Command command = parseCommandLine(arguments);
    if (const auto* scan = std::get_if<ScanShortcut>(&command)) {
        if (!(ShortcutSpec(scan->shortcut.keyCode, scan->shortcut.modifiers) == scan->shortcut)) __builtin_trap();
        (void)scan->shortcut.displayName();
    }
    return 0;
}
