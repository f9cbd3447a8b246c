#include "scan/Skhd.h"

#include "model/Text.h"
#include "platform/Regex.h"
#include "scan/ConfigurationScanner.h"
#include "scan/TextPieces.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace chordmap {
namespace {

// Optional mode before "<", modifier words joined by "+", "-", the key (a
// hexadecimal code or a name) and the separator that begins the action.
const char* const bindingLinePattern =
    R"(^\s*(?:(\w+)\s*<\s*)?([A-Za-z+\s]*)\s*-\s*(0x[0-9A-Fa-f]+|[^\s:]+)\s*(:|\[|->))";

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

const std::optional<Regex>& bindingLine() {
    static const std::optional<Regex> regex = Regex::compile(bindingLinePattern);
    return regex;
}

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
    std::size_t start = 0;
    std::size_t index = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t end = lineEndLength(text, i);
        if (end == 0) {
            ++i;
            continue;
        }
        visit(text.substr(start, i - start), index++);
        i += end;
        start = i;
    }
    visit(text.substr(start), index);
}

// Every run of white space cut to its first character. The pattern treats
// all white space alike and only ever as runs of any length, and the
// modifier words are trimmed, so the outcome is the same; but runs of
// spaces would otherwise make the search backtrack in cubic time.
std::string collapsedWhiteSpace(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    bool afterSpace = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t start = i;
        const UChar32 c = nextCodePoint(line, i);
        const bool space = c >= 0 && isRegexWhiteSpace(static_cast<char32_t>(c));
        if (!(space && afterSpace)) out.append(line.substr(start, i - start));
        afterSpace = space;
    }
    return out;
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

}  // namespace

std::vector<Finding> skhdFindings(std::string_view text, const ShortcutSpec& shortcut, const Url& sourceURL) {
    std::vector<Finding> findings;
    const std::optional<Regex>& pattern = bindingLine();
    if (!pattern) return findings;
    RegexMatcher matcher(*pattern);
    const std::string path = validUtf8(sourceURL.path().value_or(sourceURL.absoluteString()));

    forEachLine(text, [&](std::string_view line, std::size_t index) {
        const std::string_view code = line.substr(0, line.find('#'));
        // Every binding has its "-"; most lines can be passed over unsearched.
        if (code.find('-') == std::string_view::npos) return;
        const std::optional<RegexMatch> match = matcher.firstMatch(collapsedWhiteSpace(code));
        if (!match) return;
        const std::optional<std::uint16_t> key = ShortcutSpec::keyCodeNamed(match->group(3).value_or(""));
        if (!key) return;
        const std::vector<std::string> words = modifierWords(match->group(2).value_or(""));
        const std::optional<std::uint64_t> modifiers = ShortcutSpec::modifiersNamed(words);
        if (!modifiers) return;
        const ShortcutSpec bound(*key, *modifiers);
        if (bound.keyCode != shortcut.keyCode || bound.modifiers != shortcut.modifiers) return;

        const bool conditional =
            match->group(1).has_value() || code.find('[') != std::string_view::npos || namesASide(words);
        findings.push_back(Finding{
            .id = "skhd-" + path + "-" + std::to_string(index),
            .level = conditional ? EvidenceLevel::conditionalConfiguration : EvidenceLevel::configuration,
            .application = AppIdentity{.name = "skhd", .pid = std::nullopt, .bundleID = std::nullopt,
                                       .bundleURL = std::nullopt, .isRunning = false},
            .title = titlePrefix + std::to_string(index + 1) + titleSuffix,
            .detail = conditional ? conditionalDetail : plainDetail,
            .sourceURL = sourceURL,
        });
    });
    return findings;
}

void ConfigurationScanner::skhd(const ShortcutSpec& shortcut, DetectionSnapshot& snapshot) const {
    for (const char* relative : configurationFiles) {
        const std::string path = inHome(relative);
        const std::optional<std::string> bytes = read(path, labelPrefix + std::string(relative), snapshot);
        if (!bytes || !isValidUtf8(*bytes)) continue;
        for (Finding& finding : skhdFindings(*bytes, shortcut, Url::file(path))) {
            snapshot.findings.push_back(std::move(finding));
        }
        // Included files are not followed; say so, even for a commented-out include.
        if (bytes->find(".load") != std::string::npos) snapshot.notes.emplace_back(includeNote);
    }
}

}  // namespace chordmap
