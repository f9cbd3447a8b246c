#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordmap {

// The tokens of Lua source, as Lua's own lexer splits it.
enum class LuaToken : std::uint8_t {
    end,
    name,
    string,
    number,
    // keywords
    kAnd, kBreak, kDo, kElse, kElseif, kEnd, kFalse, kFor, kFunction, kGoto, kIf, kIn, kLocal, kNil, kNot, kOr,
    kRepeat, kReturn, kThen, kTrue, kUntil, kWhile,
    // punctuation
    openParen, closeParen, openBrace, closeBrace, openBracket, closeBracket,
    semicolon, colon, doubleColon, comma, dot, concat, ellipsis, assign,
    minus, tilde, hash,  // unary operators, the first two binary as well
    binary,              // every other binary operator
    other,               // a byte Lua would reject
};

// A token: small, as a text has millions. Offsets are 32-bit; a lexer
// reads at most the first 4 GB of a text.
struct LuaLexeme {
    LuaToken token = LuaToken::end;
    // A string's: whether it holds escape sequences (only a quoted one can),
    // and whether it is finished.
    bool escaped = false;
    bool closed = true;
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

// Lua source as tokens, comments and white space skipped. Where Lua would
// stop with a syntax error it goes on: a quoted string ends at the end of
// its line, an unknown byte is one `other` token. Linear in the text.
class LuaLexer {
public:
    explicit LuaLexer(std::string_view text) : text_(text.substr(0, UINT32_MAX)) {}

    LuaLexeme next();

private:
    std::size_t afterComment(std::size_t afterHyphens) const;
    LuaLexeme longString(std::size_t start, std::size_t level);
    LuaLexeme quoted(std::size_t start);
    LuaLexeme name(std::size_t start);
    LuaLexeme number(std::size_t start);

    std::string_view text_;
    std::size_t at_ = 0;
};

// A string token's contents, between its quotes or long brackets, as
// written.
std::string_view luaStringContents(std::string_view text, const LuaLexeme& string);

// The value of a string token: its contents with escape sequences applied;
// none for an escape Lua rejects, or an unfinished string.
std::optional<std::string> luaStringValue(std::string_view text, const LuaLexeme& string);

// The value of a number token when it is an integer of at most 62 bits.
std::optional<std::int64_t> luaIntegerValue(std::string_view number);

// One hot-key declaration found literally in a text (in Lua, the inside of
// a string): an hs.hotkey.bind / new call or a `mods = ..., key = ...`
// table entry, with its modifier list and key name as written.
struct LuaHotKeyDeclaration {
    std::size_t pattern = 0;  // 0: an hs.hotkey.bind / new call, 1: a `mods = ..., key = ...` entry
    std::size_t start = 0;    // byte offset where the declaration begins
    std::string modifierList;  // between the braces, as written
    std::string keyName;       // between the quotes, as written

    bool operator==(const LuaHotKeyDeclaration&) const = default;
};

// Every literal declaration of a text: first the calls, then the table
// entries, each in text order and never overlapping. Linear in the text.
std::vector<LuaHotKeyDeclaration> luaHotKeyDeclarations(std::string_view text);

}  // namespace chordmap
