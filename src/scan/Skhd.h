#pragma once

#include "scan/Declaration.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// What one skhd configuration has declared so far, over the files it loads
// in the order skhd reads them: skhd refuses a mode named before its
// declaration, a mode declared twice, and an empty process blacklist.
struct SkhdConfiguration {
    // Mode name → declared with "::" ("default" exists once a binding is in it).
    std::map<std::string, bool, std::less<>> modes;
    // Processes in front of which skhd lets every key through.
    std::vector<std::string> blacklist;
};

// What one file leaves to the rest of its configuration.
struct SkhdFile {
    std::vector<std::string> loads;  // .load paths as written, in order
    std::size_t firstRefusedLine = 0;  // the first line skhd cannot parse; 0 for none
};

// Declares the key bindings of one skhd file, read as skhd's own tokenizer
// and parser read it. A binding that needs a mode other than "default", a
// frontmost application, or a left- or right-hand modifier is conditional.
// Where skhd would give up on the file, the bindings around the fault still
// count; the file says where the first fault is.
SkhdFile skhdDeclarations(std::string_view text, const Url& sourceURL, SkhdConfiguration& configuration,
                          Inventory& inventory);

}  // namespace chordmap
