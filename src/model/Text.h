#pragma once

#include <string>
#include <string_view>

namespace chordmap {

// Bytes as valid UTF-8: every byte that is not part of a well-formed sequence
// becomes U+FFFD. File names on Linux are bytes; texts built from them must
// still be valid UTF-8.
std::string validUtf8(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

// Last path component of a slash-separated path (trailing slashes ignored).
std::string_view lastPathComponent(std::string_view path);

}  // namespace chordmap
