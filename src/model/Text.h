#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace chordmap {

// Bytes as valid UTF-8: every byte that is not part of a well-formed sequence
// becomes U+FFFD. File names on Linux are bytes; texts built from them must
// still be valid UTF-8.
std::string validUtf8(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// Length of the well-formed UTF-8 sequence starting at bytes[at], 0 when
// there is none.
std::size_t utf8SequenceLength(std::string_view bytes, std::size_t at);

// The full Unicode lower-case mapping in the root locale (so the Kelvin sign
// is k and İ is i̇), the way a name written in a configuration file is
// compared with the names a tool knows. Bytes that are not UTF-8 become
// U+FFFD first.
std::string lowercased(std::string_view text);

// Last path component of a slash-separated path (trailing slashes ignored).
std::string_view lastPathComponent(std::string_view path);

}  // namespace chordmap
