#include "scan/TextPieces.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>

namespace chordmap {

UChar32 nextCodePoint(std::string_view text, std::size_t& offset) {
    auto i = static_cast<std::int32_t>(offset);
    UChar32 c;
    U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), i, static_cast<std::int32_t>(text.size()), c);
    offset = static_cast<std::size_t>(i);
    return c;
}

bool isWhiteSpace(UChar32 c) { return u_isUWhiteSpace(c); }

std::string trimmed(std::string_view piece, bool (*isTrimmed)(UChar32)) {
    std::size_t first = piece.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < piece.size();) {
        const std::size_t start = i;
        const UChar32 c = nextCodePoint(piece, i);
        if (c >= 0 && isTrimmed(c)) continue;
        first = std::min(first, start);
        last = i;
    }
    return first < last ? std::string(piece.substr(first, last - first)) : std::string();
}

std::vector<std::string> trimmedPieces(std::string_view text, char separator, bool (*isTrimmed)(UChar32)) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) pieces.push_back(trimmed(text.substr(start, end - start), isTrimmed));
        start = end + 1;
    }
    return pieces;
}

}  // namespace chordmap
