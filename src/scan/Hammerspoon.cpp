#include "scan/Hammerspoon.h"

#include "model/Text.h"
#include "platform/DirectoryWalk.h"
#include "platform/Regex.h"
#include "scan/ConfigurationScanner.h"
#include "scan/TextPieces.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>

namespace chordmap {
namespace {

// Group 1 is the modifier list between the braces, group 2 the key name.
constexpr std::array<const char*, 2> declarationPatterns{
    R"(hs\.hotkey\.(?:bind|new)\s*\(\s*\{([^}]*)\}\s*,\s*["']([^"']+)["'])",
    R"(mods\s*=\s*\{([^}]*)\}\s*,\s*key\s*=\s*["']([^"']+)["'])",
};

constexpr std::array<const char*, 2> configurationDirectories{".hammerspoon", ".config/hammerspoon"};
const std::set<std::string> skippedNames{"handoffs", "docs", "vendor", "Spoons"};
constexpr std::size_t fileLimit = 100;
const char* const limitNote = "Hammerspoon：达到 100 个 Lua 文件扫描上限。";
const char* const labelPrefix = "Hammerspoon：";
const char* const applicationName = "Hammerspoon";
const char* const bundleID = "org.hammerspoon.Hammerspoon";
const char* const titlePrefix = "Lua 源码中的组合键 · 第 ";
const char* const titleSuffix = " 行";
const char* const detail =
    "识别到字面量快捷键声明；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。变量生成的绑定不在静态扫描范围内。";

const std::array<std::optional<Regex>, 2>& declarations() {
    static const std::array<std::optional<Regex>, 2> compiled{Regex::compile(declarationPatterns[0]),
                                                              Regex::compile(declarationPatterns[1])};
    return compiled;
}

// The extension as a file manager reads it: what follows the last dot of
// the last component, unless that dot begins the name.
std::string_view extension(std::string_view path) {
    const std::string_view name = lastPathComponent(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

std::size_t nextCharacter(std::string_view text, std::size_t offset) {
    nextCodePoint(text, offset);
    return offset;
}

// Comment text replaced character by character: line feeds stay, anything
// else becomes one space.
void appendBlanked(std::string_view comment, std::string& out) {
    for (std::size_t i = 0; i < comment.size(); i = nextCharacter(comment, i)) out += comment[i] == '\n' ? '\n' : ' ';
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

bool isTrimmed(UChar32 c) {
    if (c == '"' || c == '\'' || c == '\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85) return true;
    return (U_GET_GC_MASK(c) & U_GC_Z_MASK) != 0;
}

// Names between commas, without white space, line breaks and quotes at either end.
std::vector<std::string> modifierNames(std::string_view list) { return trimmedPieces(list, ',', isTrimmed); }

bool declares(const RegexMatch& match, const ShortcutSpec& shortcut) {
    const std::optional<std::string>& modifierList = match.group(1);
    const std::optional<std::string>& keyName = match.group(2);
    if (!modifierList || !keyName) return false;
    const std::optional<std::uint16_t> key = ShortcutSpec::keyCodeNamed(*keyName);
    if (!key) return false;
    const std::optional<std::uint64_t> modifiers = ShortcutSpec::modifiersNamed(modifierNames(*modifierList));
    if (!modifiers) return false;
    const ShortcutSpec declared(*key, *modifiers);
    return declared.keyCode == shortcut.keyCode && declared.modifiers == shortcut.modifiers;
}

}  // namespace

std::string stripLuaComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::optional<char> openQuote;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t next = nextCharacter(text, i);
        const char c = text[i];
        if (openQuote) {
            out.append(text.substr(i, next - i));
            if (c == '\\' && next < text.size()) {
                // The escaped character is copied unseen, so \" does not close.
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

std::vector<Finding> hammerspoonFindings(const Processes& processes, std::string_view text,
                                         const ShortcutSpec& shortcut, const Url& sourceURL) {
    std::vector<Finding> findings;
    const std::string stripped = stripLuaComments(text);
    const std::string path = validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()));
    std::optional<AppIdentity> application;

    for (const std::optional<Regex>& pattern : declarations()) {
        if (!pattern) continue;
        RegexMatcher matcher(*pattern);
        std::size_t counted = 0;
        std::size_t line = 1;
        for (const RegexMatch& match : matcher.allMatches(stripped)) {
            if (!declares(match, shortcut)) continue;
            line += static_cast<std::size_t>(std::count(stripped.begin() + static_cast<std::ptrdiff_t>(counted),
                                                        stripped.begin() + static_cast<std::ptrdiff_t>(match.start), '\n'));
            counted = match.start;
            if (!application) application = AppIdentity::known(processes, applicationName, bundleID);
            findings.push_back(Finding{
                .id = "hs-" + path + "-" + std::to_string(line),
                .level = EvidenceLevel::conditionalConfiguration,
                .application = *application,
                .title = titlePrefix + std::to_string(line) + titleSuffix,
                .detail = detail,
                .sourceURL = sourceURL,
            });
        }
    }
    return findings;
}

void ConfigurationScanner::hammerspoon(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const {
    std::size_t count = 0;
    std::set<std::string> seen;
    for (const char* relative : configurationDirectories) {
        const std::string directory = inHome(relative);
        std::optional<DirectoryWalk> walk = DirectoryWalk::open(resolvedPath(directory).value_or(directory), skippedNames);
        if (!walk) continue;
        while (const std::optional<std::string> path = walk->next()) {
            if (extension(*path) != "lua") continue;
            // One file reachable through links is read once.
            if (!seen.insert(resolvedPath(*path).value_or(*path)).second) continue;
            if (++count > fileLimit) {
                snapshot.notes.emplace_back(limitNote);
                return;
            }
            const std::string label = labelPrefix + validUtf8(lastPathComponent(*path));
            const std::optional<std::string> bytes = read(*path, label, snapshot);
            if (!bytes || !isValidUtf8(*bytes)) continue;
            for (Finding& finding : hammerspoonFindings(platform_.processes, *bytes, shortcut, Url::file(*path))) {
                snapshot.findings.push_back(std::move(finding));
            }
        }
    }
}

}  // namespace chordmap
