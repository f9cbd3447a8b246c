#include "scan/Skhd.h"

#include "model/Text.h"
#include "scan/ConfigurationScanner.h"
#include "scan/TextPieces.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <unordered_map>

namespace chordmap {
namespace {

constexpr std::array<const char*, 2> configurationFiles{".config/skhd/skhdrc", ".skhdrc"};
const char* const labelPrefix = "skhd：";
const char* const titlePrefix = "skhd 组合键规则 · 第 ";
const char* const titleSuffix = " 行";
const char* const conditionalDetail = "存在对应模式、应用或左右修饰键条件；未判定当前是否满足。";
const char* const plainDetail = "文件中存在该组合键规则；未验证运行进程的配置路径或是否已重载。";
const char* const includeNote = "skhd：当前文件包含 .load；引入文件未展开。";

// Words that name one side of a modifier; compared as written, so "LCMD"
// still resolves to command but does not make a binding conditional.
constexpr std::array<std::string_view, 8> sideSpecificWords{"lctrl", "rctrl", "lcmd",   "rcmd",
                                                            "lalt",  "ralt",  "lshift", "rshift"};

std::uint8_t byteAt(std::string_view text, std::size_t i) {
    return i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
}

// Length of the line end at `i`, 0 when there is none: CR LF is one line
// end; LF, VT, FF, CR, NEL, LS and PS each end a line on their own.
std::size_t lineEndLength(std::string_view text, std::size_t i) {
    const std::uint8_t c = byteAt(text, i);
    if (c == '\r' && byteAt(text, i + 1) == '\n') return 2;
    if (c >= 0x0A && c <= 0x0D) return 1;
    if (c == 0xC2 && byteAt(text, i + 1) == 0x85) return 2;
    if (c == 0xE2 && byteAt(text, i + 1) == 0x80 && (byteAt(text, i + 2) == 0xA8 || byteAt(text, i + 2) == 0xA9)) {
        return 3;
    }
    return 0;
}

template <typename Visit>
void forEachLine(std::string_view text, Visit visit) {
    // The bytes that start a line end; memchr finds each far faster than a
    // loop over every byte.
    std::array<NextByte, 6> candidates{NextByte('\n'), NextByte('\v'), NextByte('\f'),
                                       NextByte('\r'), NextByte('\xC2'), NextByte('\xE2')};
    std::size_t start = 0;
    std::size_t index = 0;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t candidate = text.size();
        for (NextByte& next : candidates) candidate = std::min(candidate, next.from(text, i));
        if (candidate == text.size()) break;
        const std::size_t end = lineEndLength(text, candidate);
        if (end == 0) {
            i = candidate + 1;
            continue;
        }
        visit(text.substr(start, candidate - start), index++);
        i = candidate + end;
        start = i;
    }
    visit(text.substr(start), index);
}

bool isHorizontalSpace(UChar32 c) { return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR; }

std::vector<std::string> modifierWords(std::string_view text) {
    return trimmedPieces(text, '+', isHorizontalSpace);
}

bool namesASide(const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(), [](const std::string& word) {
        return std::find(sideSpecificWords.begin(), sideSpecificWords.end(), word) != sideSpecificWords.end();
    });
}

// --- The binding-line matcher ---
//
// Why it is linear, and gives what ICU's backtracking gives. Positions are
// code points of the line; ICU tries the choices of each greedy part from
// the longest down and the alternatives in order, and the first full match
// wins.
// - The key part `\s*(0x[0-9A-Fa-f]+|[^\s:]+)\s*(:|\[|->)` after the "-"
//   depends only on where it starts. Its leading `\s*` cannot give back (no
//   key starts with white space). The hexadecimal run giving back leaves a
//   hex digit where a separator must be: only the longest run can match.
//   The `[^\s:]+` run can give back only to just before a "[" or "->" inside
//   it (a shorter run is followed by neither white space nor ":"): the
//   longest run first, else the last such place. One pass.
// - `[A-Za-z+\s]*` holds no "-", so wherever it starts, the "-" it reaches
//   is the first character outside that class; giving back, or a shorter
//   leading `\s*`, only ends in white space before that same "-", so every
//   way through the prefix with or without the mode meets one of two "-"
//   places, each key part is worked out once, and the first way ICU tries
//   (every leading `\s*` at its longest, the mode first) gives the groups.
// - The mode's `\w+` must stretch over the whole word: "<" and white space
//   are not word characters, so nothing else can follow a shorter word.
// So a line is read a few times over at most; ICU may instead try each
// "-"-less split again and again (cubic on runs of white space).

constexpr bool isAsciiLetter(UChar32 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The pattern's character classes, as bits.
enum Class : std::uint8_t {
    whiteSpace = 1,     // \s
    wordCharacter = 2,  // \w
    modifierText = 4,   // [A-Za-z+\s]
    hexDigit = 8,       // [0-9A-Fa-f]
    keyCharacter = 16,  // [^\s:]
};

constexpr std::uint8_t asciiClasses(UChar32 c) {
    const bool isSpace = c == ' ' || (c >= '\t' && c <= '\r');
    const bool isDigit = c >= '0' && c <= '9';
    std::uint8_t classes = 0;
    if (isSpace) classes |= whiteSpace | modifierText;
    else if (c != ':') classes |= keyCharacter;
    if (isAsciiLetter(c) || isDigit || c == '_') classes |= wordCharacter;
    if (isAsciiLetter(c) || c == '+') classes |= modifierText;
    if (isDigit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) classes |= hexDigit;
    return classes;
}

constexpr std::array<std::uint8_t, 128> asciiClassTable = [] {
    std::array<std::uint8_t, 128> table{};
    for (UChar32 c = 0; c < 128; ++c) table[static_cast<std::size_t>(c)] = asciiClasses(c);
    return table;
}();

// `\w` as ICU defines it: alphabetic, marks, decimal digits, connector
// punctuation, and the two joiners.
bool isWordCharacter(UChar32 c) {
    if (c == 0x200C || c == 0x200D || u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) return true;
    switch (u_charType(c)) {
        case U_NON_SPACING_MARK:
        case U_ENCLOSING_MARK:
        case U_COMBINING_SPACING_MARK:
        case U_DECIMAL_DIGIT_NUMBER:
        case U_CONNECTOR_PUNCTUATION:
            return true;
        default:
            return false;
    }
}

// Classes of a code point beyond ASCII; an ill-formed sequence is U+FFFD.
std::uint8_t classesBeyondAscii(UChar32 c) {
    if (c < 0) return keyCharacter;
    if (isWhiteSpace(c)) return whiteSpace | modifierText;
    return keyCharacter | (isWordCharacter(c) ? wordCharacter : 0);
}

// Past the code point at `i` if it is of one of the classes `mask` names,
// else `i`; for code points beyond ASCII.
[[gnu::noinline]] std::size_t pastBeyondAscii(std::string_view line, std::size_t i, std::uint8_t mask) {
    std::size_t next = i;
    return classesBeyondAscii(nextCodePoint(line, next)) & mask ? next : i;
}

// Past the code points from `i` on that are all of the classes `mask` names one of.
std::size_t skipWhile(std::string_view line, std::size_t i, std::uint8_t mask) {
    while (i < line.size()) {
        const auto byte = static_cast<std::uint8_t>(line[i]);
        if (byte < 0x80) {
            if (!(asciiClassTable[byte] & mask)) break;
            ++i;
        } else {
            const std::size_t next = pastBeyondAscii(line, i, mask);
            if (next == i) break;
            i = next;
        }
    }
    return i;
}

// The separator at `i`, empty when there is none.
std::string_view separatorAt(std::string_view line, std::size_t i) {
    if (i >= line.size()) return {};
    if (line[i] == ':' || line[i] == '[') return line.substr(i, 1);
    if (line[i] == '-' && i + 1 < line.size() && line[i + 1] == '>') return line.substr(i, 2);
    return {};
}

struct KeyPart {
    std::string_view key;
    std::string_view separator;
};

// The key and separator after the "-" that ends at `i`.
std::optional<KeyPart> keyPartAt(std::string_view line, std::size_t i) {
    const std::size_t start = skipWhile(line, i, whiteSpace);
    if (line.substr(start).starts_with("0x")) {
        const std::size_t end = skipWhile(line, start + 2, hexDigit);
        if (end > start + 2) {
            if (const std::string_view separator = separatorAt(line, skipWhile(line, end, whiteSpace)); !separator.empty()) {
                return KeyPart{.key = line.substr(start, end - start), .separator = separator};
            }
        }
    }
    std::size_t end = skipWhile(line, start, keyCharacter);
    if (end == start) return std::nullopt;
    std::size_t separatorStart = skipWhile(line, end, whiteSpace);
    if (separatorAt(line, separatorStart).empty()) {
        // The last "[" or "->" after the key's first character; ASCII bytes
        // are whole code points, so bytes can be looked at backwards.
        do {
            --end;
        } while (end > start && separatorAt(line, end).empty());
        if (end == start) return std::nullopt;
        separatorStart = end;
    }
    return KeyPart{.key = line.substr(start, end - start), .separator = separatorAt(line, separatorStart)};
}

// The binding whose modifier text starts at `start`.
std::optional<SkhdBinding> bindingFrom(std::string_view line, std::size_t start) {
    const std::size_t dash = skipWhile(line, start, modifierText);
    if (dash >= line.size() || line[dash] != '-') return std::nullopt;
    const std::optional<KeyPart> keyPart = keyPartAt(line, dash + 1);
    if (!keyPart) return std::nullopt;
    return SkhdBinding{.mode = std::nullopt, .modifiers = line.substr(start, dash - start), .key = keyPart->key,
                       .separator = keyPart->separator};
}

// Real files name the same few keys over and over: what each short name
// stands for is looked up once per text.
class KeyCodes {
public:
    std::optional<std::uint16_t> named(std::string_view name) {
        if (const auto known = known_.find(name); known != known_.end()) return known->second;
        const std::optional<std::uint16_t> code = ShortcutSpec::keyCodeNamed(name);
        if (name.size() <= longestKept && known_.size() < mostKept) known_.emplace(name, code);
        return code;
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    static constexpr std::size_t longestKept = 32;
    static constexpr std::size_t mostKept = 1024;
    std::unordered_map<std::string, std::optional<std::uint16_t>, Hash, std::equal_to<>> known_;
};

}  // namespace

void skhdDeclarations(std::string_view text, const Url& sourceURL, Inventory& inventory) {
    const std::string path = validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()));
    KeyCodes keyCodes;
    forEachLine(text, [&](std::string_view line, std::size_t index) {
        const std::string_view code = line.substr(0, line.find('#'));
        // Every binding has its "-"; most lines can be passed over unsearched.
        if (code.find('-') == std::string_view::npos) return;
        const std::optional<SkhdBinding> binding = skhdBindingOf(code);
        if (!binding) return;
        const std::optional<std::uint16_t> key = keyCodes.named(binding->key);
        if (!key) return;
        const std::vector<std::string> words = modifierWords(binding->modifiers);
        const std::optional<std::uint64_t> modifiers = ShortcutSpec::modifiersNamed(words);
        if (!modifiers) return;
        const Claim claim = Claim::exactly(ShortcutSpec(*key, *modifiers));
        if (!inventory.wants(claim)) return;

        const bool conditional =
            binding->mode.has_value() || code.find('[') != std::string_view::npos || namesASide(words);
        inventory.declare(claim, Finding{
            .id = "skhd-" + path + "-" + std::to_string(index),
            .level = conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
            .application = AppIdentity{.name = "skhd", .pid = std::nullopt, .bundleID = std::nullopt,
                                       .bundleURL = std::nullopt, .isRunning = false},
            .title = titlePrefix + std::to_string(index + 1) + titleSuffix,
            .detail = conditional ? conditionalDetail : plainDetail,
            .sourceURL = sourceURL,
        });
    });
}

SkhdBindingText SkhdBinding::text() const {
    return SkhdBindingText{.mode = mode ? std::optional<std::string>(*mode) : std::nullopt,
                           .modifiers = std::string(modifiers), .key = std::string(key),
                           .separator = std::string(separator)};
}

std::optional<SkhdBinding> skhdBindingOf(std::string_view line) {
    const std::size_t wordStart = skipWhile(line, 0, whiteSpace);
    const std::size_t wordEnd = skipWhile(line, wordStart, wordCharacter);
    if (wordEnd > wordStart) {
        const std::size_t angle = skipWhile(line, wordEnd, whiteSpace);
        if (angle < line.size() && line[angle] == '<') {
            if (std::optional<SkhdBinding> binding = bindingFrom(line, skipWhile(line, angle + 1, whiteSpace))) {
                binding->mode = line.substr(wordStart, wordEnd - wordStart);
                return binding;
            }
        }
    }
    return bindingFrom(line, wordStart);
}

void ConfigurationScanner::skhd(Inventory& inventory) const {
    for (const char* relative : configurationFiles) {
        const std::string path = inHome(relative);
        const std::optional<std::string> bytes = read(path, labelPrefix + std::string(relative), inventory);
        if (!bytes || !isValidUtf8(*bytes)) continue;
        skhdDeclarations(*bytes, Url::file(path), inventory);
        // Included files are not followed; say so, even for a commented-out include.
        if (bytes->find(".load") != std::string::npos) inventory.notes.emplace_back(includeNote);
    }
}

}  // namespace chordmap
