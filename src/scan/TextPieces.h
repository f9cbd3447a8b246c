#pragma once

#include <unicode/umachine.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// The code point at `offset`, which moves past it; an ill-formed sequence
// counts as one character and gives a negative value.
UChar32 nextCodePoint(std::string_view text, std::size_t& offset);

// The piece without the code points `isTrimmed` names at either end.
std::string trimmed(std::string_view piece, bool (*isTrimmed)(UChar32));

// The non-empty pieces between separators, each trimmed.
std::vector<std::string> trimmedPieces(std::string_view text, char separator, bool (*isTrimmed)(UChar32));

}  // namespace chordmap
