#include "scan/LuaText.h"

#include "scan/TextPieces.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace chordmap {
namespace {

// The first of the bytes `a` and `b` at or after `from`, or the end of the
// text; eight bytes at a time, as a comment runs long.
std::size_t findAny(std::string_view text, std::size_t from, char a, char b) {
    constexpr std::uint64_t ones = 0x0101010101010101u;
    constexpr std::uint64_t highs = 0x8080808080808080u;
    const auto hasZeroByte = [](std::uint64_t word) { return ((word - ones) & ~word & highs) != 0; };
    const std::uint64_t as = ones * static_cast<unsigned char>(a);
    const std::uint64_t bs = ones * static_cast<unsigned char>(b);

    std::size_t at = from;
    for (; at + 8 <= text.size(); at += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + at, 8);
        if (hasZeroByte(word ^ as) || hasZeroByte(word ^ bs)) break;
    }
    for (; at < text.size(); ++at) {
        if (text[at] == a || text[at] == b) return at;
    }
    return text.size();
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

// The classes of the bytes Lua's lexer tells apart, looked up by byte.
enum ByteClass : std::uint8_t { space = 1, letter = 2, digit = 4, hexLetter = 8 };

constexpr std::array<std::uint8_t, 256> byteClasses = [] {
    std::array<std::uint8_t, 256> classes{};
    for (const char c : {' ', '\t', '\n', '\v', '\f', '\r'}) classes[static_cast<unsigned char>(c)] = space;
    for (int c = 'a'; c <= 'z'; ++c) classes[c] = letter;
    for (int c = 'A'; c <= 'Z'; ++c) classes[c] = letter;
    classes['_'] = letter;
    for (int c = '0'; c <= '9'; ++c) classes[c] = digit;
    for (const char c : {'a', 'b', 'c', 'd', 'e', 'f', 'A', 'B', 'C', 'D', 'E', 'F'}) classes[static_cast<unsigned char>(c)] |= hexLetter;
    return classes;
}();

bool is(char c, std::uint8_t classes) { return (byteClasses[static_cast<unsigned char>(c)] & classes) != 0; }
bool isSpace(char c) { return is(c, space); }

// Where the contents of the long string opened at `start` begin: a line
// break right after the opening bracket is not part of them.
std::size_t longStringContents(std::string_view text, std::size_t start, std::size_t level) {
    std::size_t content = start + level + 2;
    if (content < text.size() && (text[content] == '\n' || text[content] == '\r')) {
        const char first = text[content++];
        if (content < text.size() && (text[content] == '\n' || text[content] == '\r') && text[content] != first)
            ++content;
    }
    return content;
}

LuaLexeme lexeme(LuaToken token, std::size_t start, std::size_t end, bool escaped = false, bool closed = true) {
    // Assembled in one register: stored a field at a time and read back
    // whole, it stalls the processor at every token.
    static_assert(std::is_trivially_copyable_v<LuaLexeme> && offsetof(LuaLexeme, start) == 4 &&
                  offsetof(LuaLexeme, closed) == 2 && std::endian::native == std::endian::little);
    const std::uint64_t head = static_cast<std::uint64_t>(token) | static_cast<std::uint64_t>(escaped) << 8 |
                               static_cast<std::uint64_t>(closed) << 16 | static_cast<std::uint64_t>(start) << 32;
    LuaLexeme out;
    std::memcpy(static_cast<void*>(&out), &head, sizeof head);
    out.end = static_cast<std::uint32_t>(end);
    return out;
}
bool isDigit(char c) { return is(c, digit); }
bool isHexDigit(char c) { return is(c, digit | hexLetter); }
bool isNameStart(char c) { return is(c, letter); }
bool isNamePart(char c) { return is(c, letter | digit); }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    return (c | 0x20) - 'a' + 10;
}

LuaToken keyword(std::string_view word) {
    const auto either = [&](std::string_view a, LuaToken ta, std::string_view b = {}, LuaToken tb = LuaToken::name,
                            std::string_view c = {}, LuaToken tc = LuaToken::name) {
        return word == a ? ta : word == b ? tb : word == c ? tc : LuaToken::name;
    };
    switch (word[0]) {
        case 'a': return either("and", LuaToken::kAnd);
        case 'b': return either("break", LuaToken::kBreak);
        case 'd': return either("do", LuaToken::kDo);
        case 'e': return either("end", LuaToken::kEnd, "else", LuaToken::kElse, "elseif", LuaToken::kElseif);
        case 'f': return either("function", LuaToken::kFunction, "for", LuaToken::kFor, "false", LuaToken::kFalse);
        case 'g': return either("goto", LuaToken::kGoto);
        case 'i': return either("if", LuaToken::kIf, "in", LuaToken::kIn);
        case 'l': return either("local", LuaToken::kLocal);
        case 'n': return either("nil", LuaToken::kNil, "not", LuaToken::kNot);
        case 'o': return either("or", LuaToken::kOr);
        case 'r': return either("return", LuaToken::kReturn, "repeat", LuaToken::kRepeat);
        case 't': return either("then", LuaToken::kThen, "true", LuaToken::kTrue);
        case 'u': return either("until", LuaToken::kUntil);
        case 'w': return either("while", LuaToken::kWhile);
        default: return LuaToken::name;
    }
}

// --- Literal declarations, found by hand the way two regular expressions
// match them:
//   hs\.hotkey\.(?:bind|new)\s*\(\s*\{([^}]*)\}\s*,\s*["']([^"']+)["']
//   mods\s*=\s*\{([^}]*)\}\s*,\s*key\s*=\s*["']([^"']+)["']

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

// --- Tokens ---

std::size_t LuaLexer::afterComment(std::size_t afterHyphens) const {
    if (const std::optional<std::size_t> level = longBracketLevel(text_, afterHyphens)) {
        const std::size_t close = closingBracket(text_, afterHyphens + *level + 2, *level);
        return close == std::string_view::npos ? text_.size() : close + *level + 2;
    }
    return findAny(text_, afterHyphens, '\n', '\r');  // Lua ends a line at either
}

LuaLexeme LuaLexer::next() {
    const std::size_t size = text_.size();
    std::size_t start = at_;
    for (;;) {
        while (start < size && isSpace(text_[start])) ++start;
        if (start + 1 >= size || text_[start] != '-' || text_[start + 1] != '-') break;
        start = afterComment(start + 2);
    }
    at_ = start;
    if (start >= size) return lexeme(LuaToken::end, start, start);
    const auto following = [&](std::size_t k) { return start + k < text_.size() ? text_[start + k] : '\0'; };
    const auto token = [&](LuaToken t, std::size_t length = 1) {
        at_ = start + length;
        return lexeme(t, start, at_);
    };
    const char c = text_[start];
    if (isNameStart(c)) return name(start);
    if (isDigit(c) || (c == '.' && isDigit(following(1)))) return number(start);
    switch (c) {
        case '"':
        case '\'':
            return quoted(start);
        case '[':
            if (const std::optional<std::size_t> level = longBracketLevel(text_, start)) return longString(start, *level);
            return token(LuaToken::openBracket);
        case ']': return token(LuaToken::closeBracket);
        case '(': return token(LuaToken::openParen);
        case ')': return token(LuaToken::closeParen);
        case '{': return token(LuaToken::openBrace);
        case '}': return token(LuaToken::closeBrace);
        case ';': return token(LuaToken::semicolon);
        case ',': return token(LuaToken::comma);
        case '=': return following(1) == '=' ? token(LuaToken::binary, 2) : token(LuaToken::assign);
        case '.':
            if (following(1) != '.') return token(LuaToken::dot);
            return following(2) == '.' ? token(LuaToken::ellipsis, 3) : token(LuaToken::concat, 2);
        case ':': return following(1) == ':' ? token(LuaToken::doubleColon, 2) : token(LuaToken::colon);
        case '~': return following(1) == '=' ? token(LuaToken::binary, 2) : token(LuaToken::tilde);
        case '<':
        case '>': return following(1) == '=' || following(1) == c ? token(LuaToken::binary, 2) : token(LuaToken::binary);
        case '/': return following(1) == '/' ? token(LuaToken::binary, 2) : token(LuaToken::binary);
        case '-': return token(LuaToken::minus);
        case '#': return token(LuaToken::hash);
        case '+':
        case '*':
        case '%':
        case '^':
        case '&':
        case '|': return token(LuaToken::binary);
        default: return token(LuaToken::other);
    }
}

LuaLexeme LuaLexer::longString(std::size_t start, std::size_t level) {
    const std::size_t close = closingBracket(text_, longStringContents(text_, start, level), level);
    at_ = close == std::string_view::npos ? text_.size() : close + level + 2;
    return lexeme(LuaToken::string, start, at_, false, close != std::string_view::npos);
}

LuaLexeme LuaLexer::quoted(std::size_t start) {
    const char quote = text_[start];
    bool escaped = false;
    std::size_t i = start + 1;
    while (i < text_.size()) {
        const char c = text_[i];
        if (c == quote) {
            at_ = i + 1;
            return lexeme(LuaToken::string, start, at_, escaped, true);
        }
        if (c == '\n' || c == '\r') break;
        if (c != '\\') {
            ++i;
            continue;
        }
        escaped = true;
        i += 2;  // an escaped line break continues the string
        if (i <= text_.size() && (text_[i - 1] == '\n' || text_[i - 1] == '\r') && i < text_.size() &&
            (text_[i] == '\n' || text_[i] == '\r') && text_[i] != text_[i - 1])
            ++i;
    }
    // Unfinished: Lua stops here; the rest of the line is left to the
    // tokens that follow, and the string has no value.
    at_ = std::min(i, text_.size());
    return lexeme(LuaToken::string, start, at_, escaped, false);
}

LuaLexeme LuaLexer::name(std::size_t start) {
    std::size_t i = start + 1;
    while (i < text_.size() && isNamePart(text_[i])) ++i;
    at_ = i;
    return lexeme(keyword(text_.substr(start, i - start)), start, i);
}

// As Lua reads a numeral: digits, dots and exponents, and a letter touching
// it, which makes it malformed.
LuaLexeme LuaLexer::number(std::size_t start) {
    std::size_t i = start;
    char exponent = 'e';
    if (text_[i] == '0' && i + 1 < text_.size() && (text_[i + 1] | 0x20) == 'x') {
        exponent = 'p';
        i += 2;
    }
    while (i < text_.size()) {
        const char c = text_[i];
        if ((c | 0x20) == exponent) {
            ++i;
            if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) ++i;
        } else if (isHexDigit(c) || c == '.') {
            ++i;
        } else {
            break;
        }
    }
    if (i < text_.size() && isNameStart(text_[i])) ++i;
    at_ = i;
    return lexeme(LuaToken::number, start, i);
}

std::string_view luaStringContents(std::string_view text, const LuaLexeme& string) {
    std::size_t from = string.start + 1;
    std::size_t to = string.closed ? string.end - 1 : string.end;
    if (text[string.start] == '[') {
        const std::size_t level = longBracketLevel(text, string.start).value_or(0);
        from = longStringContents(text, string.start, level);
        to = string.closed ? string.end - level - 2 : string.end;
    }
    return text.substr(from, to - from);
}

std::optional<std::string> luaStringValue(std::string_view text, const LuaLexeme& string) {
    if (!string.closed) return std::nullopt;
    const std::string_view content = luaStringContents(text, string);
    if (!string.escaped) return std::string(content);
    std::string out;
    out.reserve(content.size());
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\\') {
            out += content[i];
            continue;
        }
        if (++i >= content.size()) return std::nullopt;
        const char c = content[i];
        switch (c) {
            case 'a': out += '\a'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'v': out += '\v'; break;
            case '\\':
            case '"':
            case '\'': out += c; break;
            case '\n':
            case '\r':
                out += '\n';
                if (i + 1 < content.size() && (content[i + 1] == '\n' || content[i + 1] == '\r') && content[i + 1] != c) ++i;
                break;
            case 'x':
                if (i + 2 >= content.size() || !isHexDigit(content[i + 1]) || !isHexDigit(content[i + 2])) return std::nullopt;
                out += static_cast<char>(hexValue(content[i + 1]) * 16 + hexValue(content[i + 2]));
                i += 2;
                break;
            case 'z':
                while (i + 1 < content.size() && isSpace(content[i + 1])) ++i;
                break;
            case 'u': {
                if (i + 1 >= content.size() || content[i + 1] != '{') return std::nullopt;
                std::uint32_t code = 0;
                std::size_t j = i + 2;
                for (; j < content.size() && isHexDigit(content[j]) && code <= 0x10FFFF; ++j) code = code * 16 + hexValue(content[j]);
                if (j == i + 2 || j >= content.size() || content[j] != '}' || code > 0x10FFFF) return std::nullopt;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else if (code < 0x800) {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else if (code < 0x10000) {
                    out += static_cast<char>(0xE0 | (code >> 12));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                } else {
                    out += static_cast<char>(0xF0 | (code >> 18));
                    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                i = j;
                break;
            }
            default: {
                if (!isDigit(c)) return std::nullopt;
                int value = 0;
                std::size_t j = i;
                for (; j < content.size() && j < i + 3 && isDigit(content[j]); ++j) value = value * 10 + (content[j] - '0');
                if (value > 255) return std::nullopt;
                out += static_cast<char>(value);
                i = j - 1;
            }
        }
    }
    return out;
}

std::optional<std::int64_t> luaIntegerValue(std::string_view number) {
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{1} << 62;
    if (number.size() > 2 && number[0] == '0' && (number[1] | 0x20) == 'x') {
        for (const char c : number.substr(2)) {
            if (!isHexDigit(c) || value >= limit / 16) return std::nullopt;
            value = value * 16 + hexValue(c);
        }
        return value;
    }
    if (number.empty()) return std::nullopt;
    for (const char c : number) {
        if (!isDigit(c) || value >= limit / 10) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// --- Literal declarations ---

std::vector<LuaHotKeyDeclaration> luaHotKeyDeclarations(std::string_view text) {
    std::vector<LuaHotKeyDeclaration> found;
    appendDeclarations(text, false, found);
    appendDeclarations(text, true, found);
    return found;
}

}  // namespace chordmap
