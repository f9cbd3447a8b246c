#include "scan/Skhd.h"

#include "model/Text.h"
#include "scan/ConfigurationScanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>

namespace chordmap {
namespace {

using namespace modifier;

constexpr std::array<const char*, 2> configurationFiles{".config/skhd/skhdrc", ".skhdrc"};
const char* const labelPrefix = "skhd：";
const char* const titlePrefix = "skhd 组合键规则 · 第 ";
const char* const titleSuffix = " 行";
const char* const plainDetail = "文件中存在该组合键规则；未验证运行进程的配置路径或是否已重载。";
const char* const plainDetailStart = "文件中存在该组合键规则，";
const char* const plainDetailEnd = "；未验证运行进程的配置路径或是否已重载。";
const char* const sideDetail = "存在对应模式、应用或左右修饰键条件；未判定当前是否满足。";
const char* const conditionalDetailEnd = "；未判定当前是否满足。";
// More nesting and more loads than any real setup has; the limits keep a
// hostile file from costing a look-up (and a note) per line.
constexpr int deepestLoad = 8;
constexpr int mostLoads = 32;

// --- skhd's vocabulary ---

struct ModifierWord {
    std::string_view word;
    std::uint64_t flags;
    bool oneSide;  // lcmd and the like: only that side's key
};

constexpr std::array<ModifierWord, 15> modifierWords{{
    {"alt", option, false},    {"lalt", option, true},     {"ralt", option, true},
    {"shift", shift, false},   {"lshift", shift, true},    {"rshift", shift, true},
    {"cmd", command, false},   {"lcmd", command, true},    {"rcmd", command, true},
    {"ctrl", control, false},  {"lctrl", control, true},   {"rctrl", control, true},
    {"fn", function, false},   {"hyper", command | option | shift | control, false},
    {"meh", control | shift | option, false},
}};

constexpr int noKeyCode = -1;

struct LiteralKey {
    std::string_view name;
    int code;          // noKeyCode for the media keys, which have no virtual key code
    bool pressedWithFn;  // skhd adds fn itself: the key reports it when pressed
};

// skhd's names, with its own meaning: "delete" is Forward Delete, "backspace"
// Delete, "insert" the Help key.
constexpr std::array<LiteralKey, 47> literalKeys{{
    {"return", 36, false},    {"tab", 48, false},       {"space", 49, false},     {"backspace", 51, false},
    {"escape", 53, false},    {"delete", 117, true},    {"home", 115, true},      {"end", 119, true},
    {"pageup", 116, true},    {"pagedown", 121, true},  {"insert", 114, true},    {"left", 123, true},
    {"right", 124, true},     {"up", 126, true},        {"down", 125, true},      {"f1", 122, true},
    {"f2", 120, true},        {"f3", 99, true},         {"f4", 118, true},        {"f5", 96, true},
    {"f6", 97, true},         {"f7", 98, true},         {"f8", 100, true},        {"f9", 101, true},
    {"f10", 109, true},       {"f11", 103, true},       {"f12", 111, true},       {"f13", 105, true},
    {"f14", 107, true},       {"f15", 113, true},       {"f16", 106, true},       {"f17", 64, true},
    {"f18", 79, true},        {"f19", 80, true},        {"f20", 90, true},
    {"sound_up", noKeyCode, false},        {"sound_down", noKeyCode, false},
    {"mute", noKeyCode, false},            {"play", noKeyCode, false},
    {"previous", noKeyCode, false},        {"next", noKeyCode, false},
    {"rewind", noKeyCode, false},          {"fast", noKeyCode, false},
    {"brightness_up", noKeyCode, false},   {"brightness_down", noKeyCode, false},
    {"illumination_up", noKeyCode, false}, {"illumination_down", noKeyCode, false},
}};

const LiteralKey* literalKey(std::string_view name) {
    const auto found = std::find_if(literalKeys.begin(), literalKeys.end(),
                                    [&](const LiteralKey& key) { return key.name == name; });
    return found == literalKeys.end() ? nullptr : &*found;
}

const ModifierWord* modifierWord(std::string_view word) {
    const auto found = std::find_if(modifierWords.begin(), modifierWords.end(),
                                    [&](const ModifierWord& m) { return m.word == word; });
    return found == modifierWords.end() ? nullptr : &*found;
}

// Mouse buttons: mouse_left, mouse_right, mouse_center, m3 to m31.
bool isButtonName(std::string_view name) {
    if (name == "mouse_left" || name == "mouse_right" || name == "mouse_center") return true;
    if (name.size() < 2 || name.size() > 3 || name[0] != 'm' || name[1] == '0') return false;
    int number = 0;
    for (char c : name.substr(1)) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return number >= 3 && number <= 31;
}

// A single letter or digit names the key that types it unshifted (skhd asks
// the keyboard layout; key positions here follow the US layout). No key
// types a capital unshifted: skhd's look-up then falls back to key code 0,
// an accident not reported as a binding of the A key.
std::optional<std::uint16_t> characterKeyCode(char c) {
    static const std::array<int, 128> codes = [] {
        std::array<int, 128> table{};
        table.fill(noKeyCode);
        const std::string_view characters = "abcdefghijklmnopqrstuvwxyz0123456789";
        for (char character : characters) {
            const std::optional<std::uint16_t> code = ShortcutSpec::keyCodeNamed(std::string_view(&character, 1));
            if (code) table[static_cast<std::size_t>(character)] = *code;
        }
        return table;
    }();
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= codes.size() || codes[byte] == noKeyCode) return std::nullopt;
    return static_cast<std::uint16_t>(codes[byte]);
}

// "0x" and upper-case hexadecimal digits, as skhd reads them.
std::optional<std::uint16_t> hexadecimalKeyCode(std::string_view token) {
    const std::string_view digits = token.substr(2);
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        value = value * 16 + static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
        if (value > 0xFFFF) return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// --- Tokens, as skhd's tokenizer cuts them (bytes, the C locale) ---

constexpr bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

enum class Token : std::uint8_t {
    end, plus, comma, insert, capture, unbound, wildcard, beginList, endList,
    option, string, dash, arrow, activate, declaration, command,
    hexKey, key, modifier, literal, button, identifier, unknown,
};

struct Lexeme {
    Token type = Token::end;
    std::string_view text;  // the token, or what it carries: a string's inside, an option's or mode's name
    std::size_t start = 0;
    std::size_t end = 0;
    bool startsLine = false;  // nothing but white space and comments before it on its line
};

Token identifierType(std::string_view name) {
    if (name.size() == 1) return Token::key;
    if (modifierWord(name)) return Token::modifier;
    if (literalKey(name)) return Token::literal;
    if (isButtonName(name)) return Token::button;
    return Token::identifier;
}

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    void moveTo(std::size_t offset) { at_ = offset; }

    // The next token, written over `token`: the reader keeps its two in
    // place, as copying one just written stalls the processor.
    void next(Lexeme& token) {
        bool startsLine = at_ == 0 || text_[at_ - 1] == '\n';
        for (;;) {
            skipSpace(startsLine);
            if (peek() != '#') break;
            at_ = lineEndFrom(at_);
        }
        token = Lexeme{.type = Token::end, .text = {}, .start = at_, .end = at_, .startsLine = startsLine};
        if (at_ == text_.size()) return;
        const char c = text_[at_++];
        std::size_t carried = at_;  // where the text a token carries begins
        switch (c) {
            case '+': token.type = Token::plus; break;
            case ',': token.type = Token::comma; break;
            case '<': token.type = Token::insert; break;
            case '@': token.type = Token::capture; break;
            case '~': token.type = Token::unbound; break;
            case '*': token.type = Token::wildcard; break;
            case '[': token.type = Token::beginList; break;
            case ']': token.type = Token::endList; break;
            case '.':
                while (at_ < text_.size() && !isSpace(text_[at_])) ++at_;
                token.type = Token::option;
                token.text = text_.substr(carried, at_ - carried);
                break;
            case '"':
                // No escapes: a process name or path runs to the next quote.
                at_ = std::min(text_.find('"', at_), text_.size());
                token.type = Token::string;
                token.text = text_.substr(carried, at_ - carried);
                if (at_ < text_.size()) ++at_;
                break;
            case '-':
                token.type = peek() == '>' ? Token::arrow : Token::dash;
                if (token.type == Token::arrow) ++at_;
                break;
            case ';':
                skipSpace();
                carried = at_;
                skipIdentifier();
                token.type = Token::activate;
                token.text = text_.substr(carried, at_ - carried);
                break;
            case ':':
                if (peek() == ':') {
                    ++at_;
                    token.type = Token::declaration;
                } else {
                    skipSpace();
                    skipCommand();
                    token.type = Token::command;
                }
                break;
            default:
                if (c == '0' && peek() == 'x') {
                    ++at_;
                    while (at_ < text_.size() && (isDigit(text_[at_]) || (text_[at_] >= 'A' && text_[at_] <= 'F'))) ++at_;
                    token.type = Token::hexKey;
                } else if (isDigit(c)) {
                    token.type = Token::key;
                } else if (isLetter(c)) {
                    skipIdentifier();
                    token.type = identifierType(text_.substr(token.start, at_ - token.start));
                } else {
                    token.type = Token::unknown;
                }
        }
        token.end = at_;
        if (token.type != Token::string && token.type != Token::option && token.type != Token::activate)
            token.text = text_.substr(token.start, token.end - token.start);
    }

    // Where the line after `offset` begins, or the end.
    std::size_t lineAfter(std::size_t offset) const {
        const std::size_t end = lineEndFrom(offset);
        return end == text_.size() ? end : end + 1;
    }

private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    std::size_t lineEndFrom(std::size_t i) const { return std::min(text_.find('\n', i), text_.size()); }

    void skipSpace(bool& crossedLine) {
        for (; at_ < text_.size() && isSpace(text_[at_]); ++at_) crossedLine |= text_[at_] == '\n';
    }
    void skipSpace() {
        bool ignored = false;
        skipSpace(ignored);
    }

    void skipIdentifier() {
        while (at_ < text_.size() && (isLetter(text_[at_]) || text_[at_] == '_')) ++at_;
        while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
    }

    // A command runs to the end of its line; a backslash takes the next
    // byte with it, so one before the line end continues the command.
    void skipCommand() {
        std::size_t segment = at_;
        for (;;) {
            const std::size_t end = lineEndFrom(segment);
            std::size_t backslashes = 0;
            while (end - backslashes > segment && text_[end - backslashes - 1] == '\\') ++backslashes;
            if (end == text_.size() || backslashes % 2 == 0) {
                at_ = end;
                return;
            }
            segment = end + 1;
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// Line numbers of offsets, counted from the last one asked for.
class LineNumbers {
public:
    explicit LineNumbers(std::string_view text) : text_(text) {}

    std::size_t of(std::size_t offset) {
        if (offset >= at_) {
            line_ += static_cast<std::size_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(at_),
                                                         text_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
        } else {
            line_ -= static_cast<std::size_t>(std::count(text_.begin() + static_cast<std::ptrdiff_t>(offset),
                                                         text_.begin() + static_cast<std::ptrdiff_t>(at_), '\n'));
        }
        at_ = offset;
        return line_;
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t line_ = 1;
};

// The virtual key code of a key token; none for a media key or a mouse button.
std::optional<std::uint16_t> keyCodeOf(const Lexeme& key, bool& pressedWithFn) {
    pressedWithFn = false;
    switch (key.type) {
        case Token::key:
            return characterKeyCode(key.text[0]);
        case Token::hexKey:
            return hexadecimalKeyCode(key.text);
        case Token::literal: {
            const LiteralKey& literal = *literalKey(key.text);
            pressedWithFn = literal.pressedWithFn;
            if (literal.code == noKeyCode) return std::nullopt;
            return static_cast<std::uint16_t>(literal.code);
        }
        default:
            return std::nullopt;
    }
}

// --- Bindings ---

enum class Wildcard : std::uint8_t { absent, bound, unbound };

struct Binding {
    std::size_t start = 0;
    std::vector<std::string_view> modes;  // empty: the default mode
    std::uint64_t modifiers = 0;
    std::uint64_t anySide = 0;   // modifiers named without a side
    std::uint64_t oneSide = 0;   // modifiers named for one side only
    Lexeme key;
    std::optional<std::string_view> activates;
    std::vector<std::pair<std::string_view, bool>> processes;  // name, bound (else "~")
    bool hasProcessList = false;
    Wildcard wildcard = Wildcard::absent;

    void clear() {
        modes.clear();
        modifiers = anySide = oneSide = 0;
        activates.reset();
        processes.clear();
        hasProcessList = false;
        wildcard = Wildcard::absent;
    }
};

char asciiLowercase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The names, each once, in order, joined for a detail text.
std::string joined(const std::vector<std::string_view>& names) {
    std::string out;
    std::set<std::string_view> seen;
    for (std::string_view name : names) {
        if (seen.insert(name).second) out += (out.empty() ? "" : "、") + validUtf8(name);
    }
    return out;
}

// The applications a process list binds the key in, as a condition: none
// when it binds every application, nothing at all when it binds none.
struct Reach {
    bool bindsAny = true;
    std::optional<std::string> condition;
    std::vector<std::string_view> applications = {};  // where it holds, or where not when `excluded`
    bool excluded = false;
};

Reach reachOf(const Binding& binding) {
    if (!binding.hasProcessList) return {};
    // skhd matches names without case and takes the first entry for a name.
    std::vector<std::string_view> bound, unbound;
    std::set<std::string> seen;
    for (const auto& [name, isBound] : binding.processes) {
        std::string key(name);
        std::transform(key.begin(), key.end(), key.begin(), asciiLowercase);
        if (seen.insert(std::move(key)).second) (isBound ? bound : unbound).push_back(name);
    }
    if (binding.wildcard == Wildcard::bound) {
        if (unbound.empty()) return {};
        return {.bindsAny = true, .condition = "前台应用为 " + joined(unbound) + " 时不生效",
                .applications = unbound, .excluded = true};
    }
    if (bound.empty()) return {.bindsAny = false, .condition = std::nullopt};
    return {.bindsAny = true, .condition = "仅在前台应用为 " + joined(bound) + " 时生效", .applications = bound};
}

// What a finding says of a binding, and whether more than the file stands
// between it and the key: a mode, an application, one side's modifier.
struct Wording {
    std::string detail;
    bool conditional;
};

Wording wordingOf(const Binding& binding, const Reach& reach) {
    const auto& modes = binding.modes;
    std::vector<std::string> parts;
    if (!modes.empty() && std::find(modes.begin(), modes.end(), "default") == modes.end()) {
        const bool oneMode = std::all_of(modes.begin(), modes.end(), [&](std::string_view m) { return m == modes[0]; });
        parts.push_back("仅在 skhd 处于 " + joined(modes) + (oneMode ? " 模式时生效" : " 模式之一时生效"));
    }
    if (reach.condition) parts.push_back(*reach.condition);
    const bool oneSideOnly = (binding.oneSide & ~binding.anySide) != 0;
    if (oneSideOnly) parts.push_back("须按指定一侧的修饰键");
    const bool conditional = !parts.empty();
    if (binding.activates) {
        parts.push_back("按下后切换到 skhd 的 " + std::string(*binding.activates) + " 模式");
    } else if (!conditional) {
        return {plainDetail, false};
    } else if (oneSideOnly && parts.size() == 1) {
        return {sideDetail, true};
    }
    std::string detail = conditional ? "" : plainDetailStart;
    for (std::size_t i = 0; i < parts.size(); ++i) detail += (i ? "，" : "") + parts[i];
    return {detail + (conditional ? conditionalDetailEnd : plainDetailEnd), conditional};
}

// The same, as conditions on the front application and what cannot be told.
std::vector<Condition> conditionsOf(const Binding& binding, const Reach& reach) {
    std::vector<Condition> conditions;
    const auto& modes = binding.modes;
    if (!modes.empty() && std::find(modes.begin(), modes.end(), "default") == modes.end())
        conditions.push_back(Condition::undecided("需要 skhd 处于 " + joined(modes) + " 模式"));
    if (reach.condition) {
        std::vector<ApplicationName> names;
        for (std::string_view name : reach.applications)
            names.push_back({ApplicationName::Field::name, std::string(name), false});
        conditions.push_back(Condition{std::move(names), reach.excluded, {}});
    }
    if ((binding.oneSide & ~binding.anySide) != 0) conditions.push_back(Condition::undecided("需要按下指定一侧的修饰键"));
    return conditions;
}

// --- The parser ---

class FileReader {
public:
    FileReader(std::string_view text, const Url& sourceURL, SkhdConfiguration& configuration, Inventory& inventory)
        : tokens_(text),
          lines_(text),
          path_(validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()))),
          sourceURL_(sourceURL),
          configuration_(configuration),
          inventory_(inventory) {}
    FileReader(const FileReader&) = delete;  // it points into itself
    FileReader& operator=(const FileReader&) = delete;

    SkhdFile read() {
        advance();
        while (current_->type != Token::end) {
            const Lexeme first = *current_;
            bool parsed = false;
            switch (first.type) {
                case Token::identifier:
                case Token::modifier:
                case Token::literal:
                case Token::hexKey:
                case Token::key:
                case Token::button:
                    parsed = binding();
                    break;
                case Token::declaration:
                    parsed = modeDeclaration();
                    break;
                case Token::option:
                    parsed = option();
                    break;
                default:
                    failedAt_ = *current_;
            }
            if (!parsed) recover(first.start);
        }
        return std::move(file_);
    }

private:
    void advance() {
        std::swap(previous_, current_);
        tokens_.next(*current_);
    }
    bool match(Token type) {
        if (current_->type != type) return false;
        advance();
        return true;
    }
    bool fail(const Lexeme& at) {
        failedAt_ = at;
        return false;
    }

    // Something skhd would stop at; only the first one is told.
    void refuse(const Lexeme& at) {
        if (file_.firstRefusedLine == 0) file_.firstRefusedLine = lines_.of(at.start);
    }

    // Past a statement that does not parse: from its offending token when
    // that begins a later line (the statement broke off there), else from
    // the next line; a command or string is skipped whole.
    void recover(std::size_t statementStart) {
        refuse(failedAt_);
        const bool spans = failedAt_.type == Token::command || failedAt_.type == Token::string;
        const std::size_t resume = failedAt_.startsLine && failedAt_.start > statementStart
                                       ? failedAt_.start
                                       : tokens_.lineAfter(spans ? failedAt_.end : failedAt_.start);
        tokens_.moveTo(resume);
        advance();
    }

    bool modeExists(std::string_view name) const { return configuration_.modes.contains(name); }
    void enterDefaultMode() { configuration_.modes.try_emplace("default", false); }

    bool binding() {
        binding_.clear();
        binding_.start = current_->start;
        if (match(Token::identifier)) {
            for (;;) {
                const std::string_view mode = previous_->text;
                if (mode == "default") enterDefaultMode();
                else if (!modeExists(mode)) refuse(*previous_);
                binding_.modes.push_back(mode);
                if (!match(Token::comma)) break;
                if (!match(Token::identifier)) return fail(*current_);
            }
            if (!match(Token::insert)) return fail(*current_);
        } else {
            enterDefaultMode();
        }
        if (match(Token::modifier)) {
            addModifier(previous_->text);
            while (match(Token::plus)) {
                if (!match(Token::modifier)) return fail(*current_);
                addModifier(previous_->text);
            }
            if (!match(Token::dash)) return fail(*current_);
        }
        if (!(match(Token::key) || match(Token::hexKey) || match(Token::literal) || match(Token::button)))
            return fail(*current_);
        binding_.key = *previous_;
        match(Token::arrow);  // the key press goes on to the application as well
        if (match(Token::beginList)) {
            if (!processList()) return false;
        } else if (match(Token::activate)) {
            if (previous_->text.empty()) return fail(*previous_);
            if (!modeExists(previous_->text)) refuse(*previous_);
            binding_.activates = previous_->text;
        } else if (!match(Token::command)) {
            return fail(*current_);
        }
        declare(binding_);
        return true;
    }

    void addModifier(std::string_view name) {
        const ModifierWord& word = *modifierWord(name);
        binding_.modifiers |= word.flags;
        (word.oneSide ? binding_.oneSide : binding_.anySide) |= word.flags;
    }

    bool processList() {
        binding_.hasProcessList = true;
        for (;;) {
            if (match(Token::string)) {
                const std::string_view name = previous_->text;
                if (match(Token::command)) binding_.processes.emplace_back(name, true);
                else if (match(Token::unbound)) binding_.processes.emplace_back(name, false);
                else return fail(*current_);
            } else if (match(Token::wildcard)) {
                if (match(Token::command)) binding_.wildcard = Wildcard::bound;
                else if (match(Token::unbound)) binding_.wildcard = Wildcard::unbound;
                else return fail(*current_);
            } else if (match(Token::endList)) {
                if (binding_.processes.empty()) refuse(*previous_);
                return true;
            } else {
                return fail(*current_);
            }
        }
    }

    bool modeDeclaration() {
        advance();
        if (!match(Token::identifier)) return fail(*current_);
        const Lexeme name = *previous_;
        match(Token::capture);
        match(Token::command);
        const auto [mode, added] = configuration_.modes.try_emplace(std::string(name.text), true);
        if (!added) {
            // Only "default" comes into being undeclared; it may be declared once.
            if (mode->second) refuse(name);
            mode->second = true;
        }
        return true;
    }

    bool option() {
        advance();
        const Lexeme word = *previous_;
        if (word.text == "blacklist") {
            if (!match(Token::beginList)) return fail(word);
            for (;;) {
                if (match(Token::string)) {
                    configuration_.blacklist.emplace_back(previous_->text);
                } else if (match(Token::endList)) {
                    if (configuration_.blacklist.empty()) refuse(*previous_);
                    return true;
                } else {
                    return fail(*current_);
                }
            }
        }
        if (word.text == "load") {
            if (!match(Token::string)) return fail(word);
            file_.loads.emplace_back(previous_->text);
            return true;
        }
        return fail(word);
    }

    void declare(const Binding& binding) {
        bool pressedWithFn = false;
        const std::optional<std::uint16_t> key = keyCodeOf(binding.key, pressedWithFn);
        if (!key) return;
        // skhd adds fn to the keys that report it, so naming it changes nothing.
        const std::uint64_t modifiers = pressedWithFn ? binding.modifiers & ~function : binding.modifiers;
        const Claim claim = Claim::exactly(ShortcutSpec(*key, modifiers));
        if (!inventory_.wants(claim)) return;
        const Reach reach = reachOf(binding);
        if (!reach.bindsAny) return;

        const Wording wording = wordingOf(binding, reach);
        const std::size_t line = lines_.of(binding.start);
        inventory_.declare(claim, Finding{
            .id = "skhd-" + path_ + "-" + std::to_string(line - 1),
            .level = wording.conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
            .application = AppIdentity{.name = "skhd", .pid = std::nullopt, .bundleID = std::nullopt,
                                       .bundleURL = std::nullopt, .isRunning = false},
            .title = titlePrefix + std::to_string(line) + titleSuffix,
            .detail = wording.detail,
            .sourceURL = sourceURL_,
        }, wording.conditional ? conditionsOf(binding, reach) : std::vector<Condition>{});
    }

    Tokenizer tokens_;
    LineNumbers lines_;
    std::string path_;
    const Url& sourceURL_;
    SkhdConfiguration& configuration_;
    Inventory& inventory_;
    std::array<Lexeme, 2> lexemes_;
    Lexeme* current_ = &lexemes_[0];
    Lexeme* previous_ = &lexemes_[1];
    Lexeme failedAt_;
    Binding binding_;
    SkhdFile file_;
};

// --- Files loaded with .load ---

// One configuration: its file, then (as skhd does, once the file is read)
// each file it loads, relative to the loading file's folder unless the path
// is absolute. skhd does not expand "~".
class ConfigurationReader {
public:
    ConfigurationReader(const ConfigurationScanner& scanner, Inventory& inventory) : scanner_(scanner), inventory_(inventory) {}

    void read(const std::string& path, const std::string& label, std::string_view bytes, int depth = 0) {
        const SkhdFile file = skhdDeclarations(bytes, Url::file(path), configuration_, inventory_);
        if (file.firstRefusedLine) {
            inventory_.notes.push_back(label + "：第 " + std::to_string(file.firstRefusedLine) +
                                       " 行无法被 skhd 解析；skhd 遇到解析错误时不载入任何组合键。");
        }
        if (depth == 0) visited_.insert(identity(path));
        for (const std::string& load : file.loads) {
            if (followed_ == mostLoads) {
                if (!toldTooMany_) {
                    inventory_.notes.push_back(label + "：.load 超过 " + std::to_string(mostLoads) + " 个，其余未展开。");
                }
                toldTooMany_ = true;
                return;
            }
            ++followed_;
            const std::string target =
                load.starts_with('/') ? load : path.substr(0, path.find_last_of('/') + 1) + load;
            if (!visited_.insert(identity(target)).second) continue;
            const std::string shown = validUtf8(shownPath(target));
            const std::string targetLabel = labelPrefix + shown;
            if (depth == deepestLoad) {
                inventory_.notes.push_back(label + "：.load 嵌套过深，未展开 " + shown + "。");
                continue;
            }
            const std::size_t notesBefore = inventory_.notes.size();
            const std::optional<std::string> loaded = scanner_.read(target, targetLabel, inventory_);
            if (loaded) {
                read(target, targetLabel, *loaded, depth + 1);
            } else if (inventory_.notes.size() == notesBefore) {
                inventory_.notes.push_back(label + "：找不到 .load 引入的文件 " + shown +
                                           (load.starts_with('~') ? "（skhd 不展开 ~）" : "") + "，未展开。");
            }
        }
    }

    // skhd reads the whole configuration before the first key: its blacklist
    // holds for the bindings above it too.
    void excludeBlacklisted(std::size_t firstDeclaration) {
        if (configuration_.blacklist.empty()) return;
        std::vector<ApplicationName> names;
        for (const std::string& name : configuration_.blacklist)
            names.push_back({ApplicationName::Field::name, validUtf8(name), false});
        for (std::size_t i = firstDeclaration; i < inventory_.declarations.size(); ++i)
            inventory_.declarations[i].conditions.push_back(Condition::outsideApplications(names));
    }

private:
    // Two spellings of one path are one file; a cycle through links ends at
    // the limits.
    static std::string identity(const std::string& path) {
        return std::filesystem::path(path).lexically_normal().string();
    }

    // Below the home folder, as the main files' labels are; elsewhere whole.
    std::string shownPath(const std::string& path) const {
        const std::string home = scanner_.inHome("");
        return path.starts_with(home) ? path.substr(home.size()) : path;
    }

    const ConfigurationScanner& scanner_;
    Inventory& inventory_;
    SkhdConfiguration configuration_;
    std::set<std::string> visited_;
    int followed_ = 0;
    bool toldTooMany_ = false;
};

}  // namespace

SkhdFile skhdDeclarations(std::string_view text, const Url& sourceURL, SkhdConfiguration& configuration,
                          Inventory& inventory) {
    // skhd reads a file as a C string: it ends at the first NUL.
    return FileReader(text.substr(0, text.find('\0')), sourceURL, configuration, inventory).read();
}

void ConfigurationScanner::skhd(Inventory& inventory) const {
    for (const char* relative : configurationFiles) {
        const std::string path = inHome(relative);
        const std::string label = labelPrefix + std::string(relative);
        const std::optional<std::string> bytes = read(path, label, inventory);
        if (!bytes) continue;
        const std::size_t first = inventory.declarations.size();
        ConfigurationReader reader(*this, inventory);
        reader.read(path, label, *bytes);
        reader.excludeBlacklisted(first);
    }
}

}  // namespace chordmap
