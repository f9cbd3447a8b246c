#pragma once

#include <unicode/umachine.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// The code point at `offset`, which moves past it; an ill-formed sequence
// counts as one character and gives a negative value.
UChar32 nextCodePoint(std::string_view text, std::size_t& offset);

// White space as Unicode defines it (what `\s` means in a pattern): tab to
// carriage return, NEL, and category Z.
bool isWhiteSpace(UChar32 c);

// The piece without the code points `isTrimmed` names at either end.
std::string trimmed(std::string_view piece, bool (*isTrimmed)(UChar32));

// Where `byte` next occurs at or after a place, the end of the text when it
// does not. For callers that ask in increasing order: an answer is reused
// until they pass it, so each text is searched once over however many
// places ask for the same far-away byte.
class NextByte {
public:
    explicit NextByte(char byte) : byte_(byte) {}

    std::size_t from(std::string_view text, std::size_t i) {
        if (!searched_ || at_ < i) {
            at_ = std::min(text.find(byte_, i), text.size());
            searched_ = true;
        }
        return at_;
    }

private:
    char byte_;
    std::size_t at_ = 0;
    bool searched_ = false;
};

// The non-empty pieces between separators, each trimmed.
std::vector<std::string> trimmedPieces(std::string_view text, char separator, bool (*isTrimmed)(UChar32));

}  // namespace chordmap
