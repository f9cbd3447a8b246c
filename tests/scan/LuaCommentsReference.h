#pragma once

// The comment stripper as it was first written, character by character: the
// reference the byte-wise one in scan/Hammerspoon.cpp must agree with on
// every valid UTF-8 text. Kept for the tests and the fuzzers only.

#include "scan/TextPieces.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace chordmap::reference {

inline std::size_t nextCharacter(std::string_view text, std::size_t offset) {
    nextCodePoint(text, offset);
    return offset;
}

inline void appendBlanked(std::string_view comment, std::string& out) {
    for (std::size_t i = 0; i < comment.size(); i = nextCharacter(comment, i)) out += comment[i] == '\n' ? '\n' : ' ';
}

inline std::optional<std::size_t> longBracketLevel(std::string_view text, std::size_t offset) {
    if (offset >= text.size() || text[offset] != '[') return std::nullopt;
    std::size_t level = 0;
    while (offset + 1 + level < text.size() && text[offset + 1 + level] == '=') ++level;
    if (offset + 1 + level >= text.size() || text[offset + 1 + level] != '[') return std::nullopt;
    return level;
}

inline std::size_t closingBracket(std::string_view text, std::size_t offset, std::size_t level) {
    for (std::size_t at = text.find(']', offset); at != std::string_view::npos; at = text.find(']', at + 1)) {
        std::size_t equals = 0;
        while (equals < level && at + 1 + equals < text.size() && text[at + 1 + equals] == '=') ++equals;
        if (equals == level && at + 1 + level < text.size() && text[at + 1 + level] == ']') return at;
    }
    return std::string_view::npos;
}

inline std::string stripLuaComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::optional<char> openQuote;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = nextCharacter(text, i);
        const char c = text[i];
        if (openQuote) {
            out.append(text.substr(i, next - i));
            if (c == '\\' && next < text.size()) {
                const std::size_t escaped = nextCharacter(text, next);
                out.append(text.substr(next, escaped - next));
                i = escaped;
                continue;
            }
            if (c == *openQuote) openQuote.reset();
            i = next;
            continue;
        }
        if (c == '"' || c == '\'') {
            out += c;
            openQuote = c;
            i = next;
            continue;
        }
        if (c == '-' && next < text.size() && text[next] == '-') {
            const std::size_t afterHyphens = next + 1;
            if (const std::optional<std::size_t> level = longBracketLevel(text, afterHyphens)) {
                const std::size_t body = afterHyphens + *level + 2;
                const std::size_t close = closingBracket(text, body, *level);
                const std::size_t end = close == std::string_view::npos ? text.size() : close;
                appendBlanked(text.substr(body, end - body), out);
                i = close == std::string_view::npos ? text.size() : close + *level + 2;
                continue;
            }
            std::size_t lineFeed = text.find('\n', afterHyphens);
            if (lineFeed == std::string_view::npos) lineFeed = text.size();
            appendBlanked(text.substr(afterHyphens, lineFeed - afterHyphens), out);
            i = lineFeed;
            continue;
        }
        out.append(text.substr(i, next - i));
        i = next;
    }
    return out;
}

}  // namespace chordmap::reference
