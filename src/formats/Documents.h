#pragma once

#include "model/Value.h"

#include <optional>
#include <span>
#include <string_view>

namespace chordmap {

// Nesting deeper than this counts as a parse failure.
inline constexpr int documentDepthLimit = 512;

// XML or binary property list; none when the bytes are not one, or when the
// document is too deep or (binary) expands beyond what its size could hold.
std::optional<Value> parsePropertyList(std::string_view bytes);
// The same with the members named in `leaveOut` left out of a binary list's
// tree (still checked: a malformed one fails the list); an XML list is read
// whole.
std::optional<Value> parsePropertyList(std::string_view bytes, std::span<const std::string_view> leaveOut);

// Strict JSON (RFC 8259, valid UTF-8); none on any error.
std::optional<Value> parseJson(std::string_view bytes);

namespace detail {
// Each node of an expanded tree needs at least one byte of a file that may
// hold at most about four million; more means shared objects multiplied.
inline constexpr std::uint64_t propertyListNodeLimit = 8'000'000;

// Guards run before a list is read: libplist's parsers recurse once per
// nesting level, and both readers copy shared objects once per reference.
// libplist also needs keys without U+0000.
bool binaryPropertyListIsTame(std::string_view bytes, int depthLimit, std::uint64_t nodeLimit,
                              bool refuseNulKeys = false);

// An XML list as libplist must be given it: in UTF-8 (byte-order mark and
// declared encoding honoured), CR LF and CR as LF, integers beyond 64 bits as
// reals (libplist would clamp them). That is `bytes` itself, or `storage`
// when something had to change; none when the encoding is unknown or the
// nesting deeper than depthLimit.
std::optional<std::string_view> xmlPropertyListForLibplist(std::string_view bytes, int depthLimit,
                                                           std::string& storage);

// Binary lists read straight into Value, with the same guards.
std::optional<Value> parseBinaryPropertyList(std::string_view bytes, std::span<const std::string_view> leaveOut = {});
// Either kind through libplist and a conversion of its tree: the way XML is
// read, and the reference the binary reader is checked against.
std::optional<Value> parsePropertyListWithLibplist(std::string_view bytes);
}  // namespace detail

}  // namespace chordmap
