#include "scan/LuaText.h"

#include "scan/TextPieces.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace chordmap {
namespace {

// The first of the bytes `a`, `b` and `c` at or after `from`, or the end of
// the text; eight bytes at a time, as runs between them are long. ASCII
// bytes never occur inside a multi-byte sequence, so a byte-wise search
// meets them where a character-wise one would.
std::size_t findAny(std::string_view text, std::size_t from, char a, char b, char c) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const auto hasZeroByte = [](std::uint64_t word) { return ((word - ones) & ~word & highs) != 0; };
    const std::uint64_t as = ones * static_cast<unsigned char>(a);
    const std::uint64_t bs = ones * static_cast<unsigned char>(b);
    const std::uint64_t cs = ones * static_cast<unsigned char>(c);
    std::size_t at = from;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (hasZeroByte(word ^ as) || hasZeroByte(word ^ bs) || hasZeroByte(word ^ cs)) break;
    }
    for (; at < text.size(); ++at) {
        if (text[at] == a || text[at] == b || text[at] == c) return at;
    }
    return text.size();
}

// The characters of UTF-8 text, counted by their lead bytes.
std::size_t leadBytes(std::string_view text) {
    std::size_t continuation = 0;
    for (const char c : text) continuation += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 1 : 0;
    return text.size() - continuation;
}

// Comment text replaced character by character: line feeds stay, anything
// else becomes one space. A character is counted by its lead byte.
void appendBlanked(std::string_view comment, std::string& out) {
    for (std::size_t from = 0;;) {
        const std::size_t lineFeed = comment.find('\n', from);
        const std::size_t end = lineFeed == std::string_view::npos ? comment.size() : lineFeed;
        out.append(leadBytes(comment.substr(from, end - from)), ' ');
        if (lineFeed == std::string_view::npos) return;
        out += '\n';
        from = lineFeed + 1;
    }
}

// The level of the long bracket "[", "="s, "[" at `offset`; none when there
// is none (also when the text ends inside it).
std::optional<std::size_t> longBracketLevel(std::string_view text, std::size_t offset) {
    if (offset >= text.size() || text[offset] != '[') return std::nullopt;
    std::size_t level = 0;
    while (offset + 1 + level < text.size() && text[offset + 1 + level] == '=') ++level;
    if (offset + 1 + level >= text.size() || text[offset + 1 + level] != '[') return std::nullopt;
    return level;
}

// Where the closing bracket "]", `level` times "=", "]" begins, from `offset` on.
std::size_t closingBracket(std::string_view text, std::size_t offset, std::size_t level) {
    for (std::size_t at = text.find(']', offset); at != std::string_view::npos; at = text.find(']', at + 1)) {
        std::size_t equals = 0;
        while (equals < level && at + 1 + equals < text.size() && text[at + 1 + equals] == '=') ++equals;
        if (equals == level && at + 1 + level < text.size() && text[at + 1 + level] == ']') return at;
    }
    return std::string_view::npos;
}

// Where the comment whose two hyphens end at `afterHyphens` ends; its text
// is blanked into `out`.
std::size_t skipComment(std::string_view text, std::size_t afterHyphens, std::string& out) {
    if (const std::optional<std::size_t> level = longBracketLevel(text, afterHyphens)) {
        const std::size_t body = afterHyphens + *level + 2;
        const std::size_t close = closingBracket(text, body, *level);
        if (close == std::string_view::npos) {
            appendBlanked(text.substr(body), out);
            return text.size();
        }
        appendBlanked(text.substr(body, close - body), out);
        return close + *level + 2;
    }
    std::size_t lineFeed = text.find('\n', afterHyphens);
    if (lineFeed == std::string_view::npos) lineFeed = text.size();
    appendBlanked(text.substr(afterHyphens, lineFeed - afterHyphens), out);
    return lineFeed;
}

// Where the string opened by the quote at `open` ends: past its closing
// quote, or the end of the text. A backslash hides the byte after it; the
// rest of an escaped multi-byte character holds no quote or backslash.
std::size_t skipString(std::string_view text, std::size_t open) {
    const char quote = text[open];
    for (std::size_t at = findAny(text, open + 1, quote, '\\', quote); at < text.size();
         at = findAny(text, at + 2, quote, '\\', quote)) {
        if (text[at] == quote) return at + 1;
    }
    return text.size();
}

// --- Declarations, found by hand the way the patterns above match ---

constexpr std::size_t none = std::string_view::npos;

// A place in the text moved along a pattern's pieces; none once a piece is
// not there.
struct Cursor {
    std::string_view text;
    std::size_t at;

    Cursor& word(std::string_view word) {
        if (at == none || text.size() - at < word.size() || text.compare(at, word.size(), word) != 0) at = none;
        else at += word.size();
        return *this;
    }

    Cursor& either(std::string_view one, std::string_view other) {
        const std::size_t from = at;
        if (word(one).at == none) {
            at = from;
            word(other);
        }
        return *this;
    }

    // Past any white space, as `\s*` takes it.
    Cursor& space() {
        if (at == none) return *this;
        while (at < text.size()) {
            const auto byte = static_cast<unsigned char>(text[at]);
            if (byte < 0x80) {
                if (byte != ' ' && (byte < '\t' || byte > '\r')) break;
                ++at;
                continue;
            }
            std::size_t next = at;
            const UChar32 c = nextCodePoint(text, next);
            if (c < 0 || !isWhiteSpace(c)) break;
            at = next;
        }
        return *this;
    }

    // Past one quote of either kind.
    Cursor& quote() {
        if (at == none) return *this;
        if (at < text.size() && (text[at] == '"' || text[at] == '\'')) ++at;
        else at = none;
        return *this;
    }
};

// How a pattern continues after the closing brace of its modifier list:
// `\s*,\s*` then `["']([^"']+)["']`, with `key\s*=\s*` in between for a
// table entry. It depends on the brace alone, so it is remembered per brace.
class Tail {
public:
    Tail(std::string_view text, bool tableEntry) : text_(text), tableEntry_(tableEntry), doubleQuotes_('"'), singleQuotes_('\'') {}

    struct Key {
        std::size_t start = none;  // none: no match
        std::size_t end = none;    // the closing quote
    };

    Key keyAfter(std::size_t brace) {
        if (brace != brace_) {
            brace_ = brace;
            key_ = match(brace);
        }
        return key_;
    }

private:
    Key match(std::size_t brace) {
        Cursor cursor{text_, brace + 1};
        cursor.space().word(",").space();
        if (tableEntry_) cursor.word("key").space().word("=").space();
        const std::size_t start = cursor.quote().at;
        if (start == none) return {};
        const std::size_t close = std::min(doubleQuotes_.from(text_, start), singleQuotes_.from(text_, start));
        if (close == text_.size() || close == start) return {};
        return {start, close};
    }

    std::string_view text_;
    bool tableEntry_;
    NextByte doubleQuotes_;
    NextByte singleQuotes_;
    std::size_t brace_ = none;
    Key key_;
};

// Where the modifier list of a declaration beginning at `at` starts (past
// its opening brace); none when the text there is no declaration's opening.
std::size_t modifierListStart(std::string_view text, std::size_t at, bool tableEntry) {
    Cursor cursor{text, at};
    if (tableEntry) cursor.word("mods").space().word("=");
    else cursor.word("hs.hotkey.").either("bind", "new").space().word("(");
    return cursor.space().word("{").at;
}

// The declarations of one shape in text order, as a regular-expression
// search finds them: tried at every place the literal occurs, each search
// going on after the previous match.
void appendDeclarations(std::string_view text, bool tableEntry, std::vector<LuaHotKeyDeclaration>& out) {
    const std::string_view literal = tableEntry ? "mods" : "hs.hotkey.";
    NextByte braces('}');
    Tail tail(text, tableEntry);
    for (std::size_t from = 0; from < text.size();) {
        const void* found = ::memmem(text.data() + from, text.size() - from, literal.data(), literal.size());
        if (!found) return;
        const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
        from = at + 1;
        const std::size_t list = modifierListStart(text, at, tableEntry);
        if (list == none) continue;
        const std::size_t brace = braces.from(text, list);
        if (brace == text.size()) return;  // no later candidate can close its list either
        const Tail::Key key = tail.keyAfter(brace);
        if (key.start == none) continue;
        out.push_back(LuaHotKeyDeclaration{
            .pattern = tableEntry ? 1u : 0u,
            .start = at,
            .modifierList = std::string(text.substr(list, brace - list)),
            .keyName = std::string(text.substr(key.start, key.end - key.start)),
        });
        from = key.end + 1;
    }
}

}  // namespace

std::string stripLuaComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        // Code: a quote opens a string, a hyphen may open a comment.
        const std::size_t stop = findAny(text, i, '"', '\'', '-');
        out.append(text.substr(i, stop - i));
        if (stop == text.size()) break;
        if (text[stop] != '-') {
            i = skipString(text, stop);
            out.append(text.substr(stop, i - stop));
        } else if (stop + 1 < text.size() && text[stop + 1] == '-') {
            i = skipComment(text, stop + 2, out);
        } else {
            out += '-';
            i = stop + 1;
        }
    }
    return out;
}

std::vector<LuaHotKeyDeclaration> luaHotKeyDeclarations(std::string_view stripped) {
    std::vector<LuaHotKeyDeclaration> found;
    appendDeclarations(stripped, false, found);
    appendDeclarations(stripped, true, found);
    return found;
}

}  // namespace chordmap
