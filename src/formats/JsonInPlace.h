#pragma once

#include <simdjson.h>

#include <optional>
#include <string_view>

namespace chordmap {

// Strict JSON (RFC 8259, valid UTF-8, nested at most documentDepthLimit
// deep) parsed into `parser`'s own tree, for a reader that walks it where it
// lies instead of building a Value tree: the tree lives as long as the
// parser and its next parse. A number too wide for the parser reads as null,
// which every typed read takes as absent, as it takes such a number. None on
// any error.
std::optional<simdjson::dom::element> parseJsonInPlace(simdjson::dom::parser& parser, std::string_view bytes);

}  // namespace chordmap
