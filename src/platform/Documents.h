#pragma once

#include "model/Value.h"

#include <optional>
#include <string_view>

namespace chordmap {

// Nesting deeper than this counts as a parse failure.
inline constexpr int documentDepthLimit = 512;

// XML or binary property list; none when the bytes are not one, or when the
// document is too deep or (binary) expands beyond what its size could hold.
std::optional<Value> parsePropertyList(std::string_view bytes);

// Strict JSON (RFC 8259, valid UTF-8); none on any error.
std::optional<Value> parseJson(std::string_view bytes);

namespace detail {
// Guards run before the bytes reach libplist, whose parsers recurse once per
// nesting level and copy shared objects.
bool binaryPropertyListIsTame(std::string_view bytes, int depthLimit, std::uint64_t nodeLimit);
bool xmlPropertyListIsTame(std::string_view bytes, int depthLimit);
}  // namespace detail

}  // namespace chordmap
