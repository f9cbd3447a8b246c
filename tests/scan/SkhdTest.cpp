#include "platform/Regex.h"
#include "scan/ConfigurationScanner.h"
#include "scan/Skhd.h"
#include "scan/TextPieces.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>

namespace chordmap {
namespace {

using namespace modifier;
using testing::FakePlatform;
using testing::TemporaryDirectory;

const Url rcURL = Url::file("/home/u/.config/skhd/skhdrc");
const std::string conditionalDetail = "存在对应模式、应用或左右修饰键条件；未判定当前是否满足。";
const std::string plainDetail = "文件中存在该组合键规则；未验证运行进程的配置路径或是否已重载。";
const std::string includeNote = "skhd：当前文件包含 .load；引入文件未展开。";

struct Line {
    std::size_t number;
    EvidenceLevel level;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << "line " << line.number << (line.level == EvidenceLevel::configuration ? " plain" : " conditional");
}

std::vector<Line> lines(const std::vector<Finding>& findings) {
    std::vector<Line> out;
    for (const Finding& f : findings) {
        const std::size_t index = std::stoul(f.id.substr(f.id.rfind('-') + 1));
        EXPECT_EQ(f.title, "skhd 组合键规则 · 第 " + std::to_string(index + 1) + " 行");
        out.push_back({index + 1, f.level});
    }
    return out;
}

std::vector<Line> scanned(std::string_view text, const ShortcutSpec& shortcut) {
    return lines(skhdFindings(text, shortcut, rcURL));
}

constexpr auto plain = EvidenceLevel::configuration;
constexpr auto conditional = EvidenceLevel::conditionalConfiguration;

TEST(Skhd, aPlainBindingGivesTheFullFinding) {
    const auto findings = skhdFindings("# keys\ncmd - a : open -a Terminal\n", ShortcutSpec(0, command), rcURL);
    ASSERT_EQ(findings.size(), 1u);
    const Finding& f = findings[0];
    EXPECT_EQ(f.id, "skhd-/home/u/.config/skhd/skhdrc-1");
    EXPECT_EQ(f.level, plain);
    EXPECT_EQ(f.application, (AppIdentity{.name = "skhd", .pid = {}, .bundleID = {}, .bundleURL = {}, .isRunning = false}));
    EXPECT_EQ(f.title, "skhd 组合键规则 · 第 2 行");
    EXPECT_EQ(f.detail, plainDetail);
    EXPECT_EQ(f.sourceURL, rcURL);
    EXPECT_EQ(skhdFindings("lcmd - a : x", ShortcutSpec(0, command), rcURL)[0].detail, conditionalDetail);
}

struct Case {
    const char* name;
    std::string text;
    ShortcutSpec shortcut;
    std::vector<Line> expected;
};

TEST(Skhd, bindingLines) {
    const std::vector<Case> cases{
        {"spaces around + and a hexadecimal key", "shift  +  cmd - 0x2C : x", ShortcutSpec(44, shift | command), {{1, plain}}},
        {"upper-case hexadecimal", "alt - 0X2c : x", ShortcutSpec(44, option), {{1, plain}}},
        {"key names resolve without case", "ctrl + alt - K : x", ShortcutSpec(40, control | option), {{1, plain}}},
        {"the arrow separator", "cmd - a -> : x", ShortcutSpec(0, command), {{1, plain}}},
        {"a separator glued to the key", "cmd - a[\n\"Safari\" : x\n]", ShortcutSpec(0, command), {{1, conditional}}},
        {"a # before the separator leaves none", "cmd - a # : x", ShortcutSpec(0, command), {}},
        {"a commented-out binding", "# cmd - a : x", ShortcutSpec(0, command), {}},
        {"a # after the separator is a comment", "cmd - a : echo # note", ShortcutSpec(0, command), {{1, plain}}},
        {"a mode before <", "resize < cmd - a : x", ShortcutSpec(0, command), {{1, conditional}}},
        {"an application list", "cmd - a [\n  \"kitty\" ~\n]", ShortcutSpec(0, command), {{1, conditional}}},
        {"a [ anywhere in the line", "cmd - a : open [x]", ShortcutSpec(0, command), {{1, conditional}}},
        {"a side-specific word", "lcmd - a : x", ShortcutSpec(0, command), {{1, conditional}}},
        {"side words compare case-sensitively", "LCMD - a : x", ShortcutSpec(0, command), {{1, plain}}},
        {"left and right variants", "rshift + ralt - a : x", ShortcutSpec(0, shift | option), {{1, conditional}}},
        {"two words without +", "cmd shift - a : x", ShortcutSpec(0, command | shift), {}},
        {"an unknown word", "meh - a : x", ShortcutSpec(0, control | option | shift), {}},
        {"an unknown key", "cmd - nosuchkey : x", ShortcutSpec(0, command), {}},
        {"empty modifier text", "- f13 : x\n  -   a : y", ShortcutSpec(0, 0), {{2, plain}}},
        {"empty pieces between + are dropped", "cmd ++ shift + - a : x", ShortcutSpec(0, command | shift), {{1, plain}}},
        {"fn is dropped on function keys", "fn - f1 : x", ShortcutSpec(122, 0), {{1, plain}}},
        {"hyper", "hyper - a : x", ShortcutSpec(0, hyper), {{1, plain}}},
        {"other modifiers do not match", "cmd + shift - a : x", ShortcutSpec(0, command), {}},
        {"another key does not match", "cmd - b : x", ShortcutSpec(0, command), {}},
        {"no separator at all", "cmd - a", ShortcutSpec(0, command), {}},
        {"every match is its own finding", "cmd - a : x\nlcmd - a : y\ncmd - a : z", ShortcutSpec(0, command),
         {{1, plain}, {2, conditional}, {3, plain}}},
        {"runs of mixed white space", "\t\u3000 cmd \t+\u00A0\u00A0shift\t\t-\u2003 a \t: x", ShortcutSpec(0, command | shift), {{1, plain}}},
        {"white space inside a word", "cmd + sh\u3000\u3000ift - a : x", ShortcutSpec(0, command | shift), {}},
        {"a long run of white space before the binding", std::string(300'000, ' ') + "cmd\t - a : x",
         ShortcutSpec(0, command), {{1, plain}}},
        {"long runs around the mode and the modifiers", "m" + std::string(100'000, '\t') + "<" +
         std::string(100'000, ' ') + "cmd" + std::string(100'000, ' ') + "+ shift" + std::string(100'000, ' ') + "- a :",
         ShortcutSpec(0, command | shift), {{1, conditional}}},
        {"the key given back to the last arrow of a long run", "cmd - a->" + std::string(200'000, 'b'),
         ShortcutSpec(0, command), {{1, plain}}},
    };
    for (const Case& c : cases) EXPECT_EQ(scanned(c.text, c.shortcut), c.expected) << c.name;
}

TEST(Skhd, lineEndsAndLineNumbers) {
    const ShortcutSpec cmdA(0, command);
    const std::vector<std::pair<std::string, std::size_t>> cases{
        {"x\r\ncmd - a : y\r\n", 2},                 // CR LF is one line end
        {"x\ncmd - a : y\n", 2},
        {"x\rcmd - a : y", 2},                       // a lone CR ends a line
        {"x\r\rcmd - a : y", 3},                     // two CRs enclose an empty line
        {"x\n\r\ncmd - a : y", 3},
        {"x\n\ncmd - a : y", 3},
        {"\vx\fcmd - a : y", 3},                     // vertical tab, form feed
        {"x\u0085cmd - a : y", 2},                   // NEL
        {"x\u2028\u2029cmd - a : y", 3},             // line and paragraph separators
        {"cmd - a : y", 1},
    };
    for (const auto& [text, line] : cases) {
        EXPECT_EQ(scanned(text, cmdA), (std::vector<Line>{{line, plain}})) << ::testing::PrintToString(text);
    }
}

TEST(Skhd, pathologicalLinesEndAndLaterLinesStillCount) {
    const ShortcutSpec cmdA(0, command);
    const std::vector<std::string> bad{
        std::string(300'000, ' ') + "- :",
        std::string(300'000, '+') + "- :",
        "m < " + std::string(200'000, ' ') + "cmd" + std::string(200'000, '\t') + "- " + std::string(100'000, 'x'),
        "cmd - " + std::string(4'000'000, 'a'),
        std::string(100'000, '-'),
    };
    for (const std::string& line : bad) {
        EXPECT_EQ(scanned(line + "\ncmd - a : x", cmdA), (std::vector<Line>{{2, plain}})) << line.substr(0, 8);
    }
    std::string manyLines;
    for (int i = 0; i < 20'000; ++i) manyLines += std::string(150, ' ') + "- :\n";
    EXPECT_EQ(scanned(manyLines + "cmd - a : x", cmdA), (std::vector<Line>{{20'001, plain}}));
}

// --- The matcher against the regular expression it stands for ---

// The text as ICU sees it: every ill-formed sequence one U+FFFD.
std::string icuText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (nextCodePoint(text, i) < 0) out += "\uFFFD";
        else out.append(text.substr(start, i - start));
    }
    return out;
}

std::optional<SkhdBindingText> fastBinding(std::string_view line) {
    std::optional<SkhdBinding> binding = skhdBindingOf(line);
    if (!binding) return std::nullopt;
    SkhdBindingText text = binding->text();
    if (text.mode) text.mode = icuText(*text.mode);
    text.modifiers = icuText(text.modifiers);
    text.key = icuText(text.key);
    return text;
}

std::string describe(const std::optional<SkhdBindingText>& binding) {
    if (!binding) return "no binding";
    return "mode " + (binding->mode ? "\"" + *binding->mode + "\"" : std::string("none")) + ", modifiers \"" +
           binding->modifiers + "\", key \"" + binding->key + "\", separator \"" + binding->separator + "\"";
}

// Compares the matcher with the pattern on each line; lines on which the
// pattern runs out of work are left out and counted.
struct Comparison {
    std::size_t compared = 0;
    std::size_t bindings = 0;
    std::size_t exhausted = 0;

    void operator()(std::string_view line) {
        bool ranOut = false;
        const std::optional<SkhdBindingText> expected = skhdBindingByPattern(line, &ranOut);
        if (ranOut) {
            ++exhausted;
            return;
        }
        const std::optional<SkhdBindingText> actual = fastBinding(line);
        EXPECT_EQ(actual, expected) << ::testing::PrintToString(std::string(line)) << "\n  fast:    "
                                    << describe(actual) << "\n  pattern: " << describe(expected);
        ++compared;
        if (expected) ++bindings;
    }
};

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) out.push_back(line);
    return out;
}

TEST(SkhdMatcher, agreesWithThePatternOnChosenLines) {
    Comparison compare;
    for (const char* line : {
             "", "-", "- :", "-:", "a - b:", "cmd - a : x", "  \t cmd + shift\u00A0 -\u3000a\t:x",
             "m<-a:", "m <cmd - a :", "m < < cmd - a :", "m1_\u0301\u200D < cmd - a :", "\u0663 < - a :",
             "m - a : < x", "mode < - a -> b", "mode <- a [", "m < m < - a :",
             "cmd - 0x2C : x", "cmd - 0x2C[", "cmd - 0x2C->", "cmd - 0x2Cg : x", "cmd - 0x : x", "cmd - 0X2c : x",
             "cmd - 0x2C-> : x", "cmd - 0x2Cz->y", "cmd - 0x->", "cmd - 0x[", "cmd - 0x2C :", "cmd - 0xg[",
             "cmd - a[b[c", "cmd - a->b->c", "cmd - a[b->c d", "cmd - [", "cmd - [[", "cmd - ->", "cmd - ->->",
             "cmd - -> :", "cmd - -- :", "cmd - a-b-> :", "cmd - a-", "cmd - a->", "cmd - a:b", "cmd - a b :",
             "cmd -- a :", "cmd - - a :", "+ + - a :", "cmd 1 - a :", "\u00E9 - a :", "cmd\u2028- a\u2028:",
             "cmd - \uFFFD :", "cmd - a\u2029->", "\u200C<-a:", "\u2160 < - a :", "\u00B2 < - a :",
         }) {
        compare(line);
    }
    // Ill-formed UTF-8: each bad sequence stands for one U+FFFD in either.
    for (const std::string& line : {std::string("cmd - \xE2\x80 :"), std::string("m\xC3 < - a :"),
                                   std::string("\xFF - a\xF0\x9F :"), std::string("cmd - a\xED\xA0\x80->")}) {
        compare(line);
    }
    EXPECT_EQ(compare.exhausted, 0u);
    EXPECT_GT(compare.bindings, 30u);
}

TEST(SkhdMatcher, agreesWithThePatternOnEveryRealLine) {
    std::vector<std::string> texts{testing::readFile(std::string(CHORDMAP_EXAMPLE_HOME) + "/.config/skhd/skhdrc")};
    const std::filesystem::path folder = std::filesystem::path(CHORDMAP_CORPUS) / "skhd";
    std::error_code error;
    if (std::filesystem::is_directory(folder, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) texts.push_back(testing::readFile(entry.path().string()));
    }
    Comparison compare;
    for (const std::string& text : texts) {
        for (const std::string& line : splitLines(text)) {
            compare(line);
            compare(line.substr(0, line.find('#')));
        }
    }
    EXPECT_EQ(compare.exhausted, 0u);
    EXPECT_GT(compare.bindings, texts.size() > 1 ? 1000u : 20u);
}

// Lines from the pattern's own pieces, some shaped like bindings and some
// not, so every choice the pattern makes comes up often.
class LineGenerator {
public:
    explicit LineGenerator(std::uint32_t seed) : random_(seed) {}

    std::string line() {
        std::string out;
        if (chance(2)) {
            if (chance(2)) out += spaces();
            if (chance(3)) out += word() + spaces() + "<" + spaces();
            for (int n = pick(4), i = 0; i < n; ++i) out += (i ? spaces() + "+" + spaces() : "") + word();
            out += spaces() + "-" + spaces() + (chance(3) ? "0x" + hex() : word()) + spaces() + separator();
            for (int n = pick(3), i = 0; i < n; ++i) out += piece();
            mutate(out);
        } else {
            for (int n = 1 + pick(14), i = 0; i < n; ++i) out += piece();
        }
        return out;
    }

private:
    bool chance(int oneIn) { return pick(oneIn) == 0; }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <std::size_t N>
    std::string one(const std::array<const char*, N>& choices) { return choices[static_cast<std::size_t>(pick(N))]; }

    std::string spaces() {
        static constexpr std::array<const char*, 8> choices{"", "", " ", " ", "  ", "\t", "\u00A0", " \u3000\t"};
        return one(choices);
    }
    std::string word() {
        static constexpr std::array<const char*, 16> choices{
            "cmd", "shift", "alt", "lcmd", "hyper", "a", "k", "f1", "return", "resize", "m_1", "\u00E9t\u00E9",
            "\u4E2D", "a\u0301", "x\u200Dy", "7"};
        return one(choices);
    }
    std::string hex() {
        static constexpr std::array<const char*, 6> choices{"2C", "ff", "0", "2Cg", "", "1f2e"};
        return one(choices);
    }
    std::string separator() {
        static constexpr std::array<const char*, 6> choices{":", "[", "->", "-", "", "::"};
        return one(choices);
    }
    std::string piece() {
        static constexpr std::array<const char*, 36> choices{
            "cmd", "shift", "a", "k", "resize", "<", "+", "-", "->", ":", "[", "]", "0x", "0X", "2C", "f", "g",
            "#", " ", " ", "  ", "\t", "\u00A0", "\u3000", "\u2028", "1", "_", "\u00E9", "\u4E2D", "\u0301",
            "\u203F", "\u0663", "\u200D", "\u00B2", "\xE2\x80", ">"};
        return one(choices);
    }
    // One piece of the line replaced, doubled or cut out.
    void mutate(std::string& out) {
        if (out.empty() || chance(2)) return;
        const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(out.size())));
        switch (pick(3)) {
            case 0: out.insert(at, piece()); break;
            case 1: out.erase(at, 1); break;
            default: out.insert(at, out.substr(at, 3)); break;
        }
    }

    std::mt19937 random_;
};

TEST(SkhdMatcher, agreesWithThePatternOnGeneratedLines) {
    LineGenerator generate(20261206);
    Comparison compare;
    for (int i = 0; i < 20'000; ++i) compare(generate.line());
    EXPECT_LT(compare.exhausted, 20u);
    EXPECT_GT(compare.bindings, 2'500u);
    EXPECT_GT(compare.compared - compare.bindings, 10'000u);
}

TEST(SkhdMatcher, findingsAreThoseOfThePatternOnGeneratedFiles) {
    LineGenerator generate(7);
    const ShortcutSpec shortcuts[] = {ShortcutSpec(0, command), ShortcutSpec(40, command | shift),
                                      ShortcutSpec(40, hyper), ShortcutSpec(44, 0), ShortcutSpec(122, option)};
    std::size_t findings = 0;
    for (int file = 0; file < 40; ++file) {
        std::string text;
        for (int i = 0; i < 400; ++i) text += generate.line() + (i % 5 ? "\n" : "\r\n");
        for (const ShortcutSpec& shortcut : shortcuts) {
            const std::vector<Finding> actual = skhdFindings(text, shortcut, rcURL);
            EXPECT_EQ(actual, skhdFindingsByPattern(text, shortcut, rcURL)) << "file " << file;
            findings += actual.size();
        }
    }
    EXPECT_GT(findings, 50u);
}

// Every code point but the surrogates, once each, and which of them a
// character class of the pattern matches, by ICU.
std::string everyCodePoint() {
    std::string out;
    for (UChar32 c = 0; c <= 0x10FFFF; ++c) {
        if (U_IS_SURROGATE(c)) continue;
        char bytes[4];
        std::int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, c);
        out.append(bytes, static_cast<std::size_t>(length));
    }
    return out;
}

std::vector<bool> matchedBy(const char* characterClass, const std::string& text) {
    const std::optional<Regex> regex = Regex::compile(characterClass);  // outlives its matcher
    RegexMatcher matcher(*regex);
    std::vector<bool> matched(0x110000);
    for (const RegexMatch& match : matcher.allMatches(text)) {
        std::size_t at = match.start;
        matched[static_cast<std::size_t>(nextCodePoint(text, at))] = true;
    }
    EXPECT_FALSE(matcher.lastSearchExhausted()) << characterClass;
    return matched;
}

TEST(SkhdMatcher, characterClassesAreICUsOnEveryCodePoint) {
    const std::string all = everyCodePoint();
    const std::vector<bool> words = matchedBy(R"(\w)", all), modifierText = matchedBy(R"([A-Za-z+\s])", all),
                            notKey = matchedBy(R"([\s:])", all);
    ASSERT_GT(std::count(words.begin(), words.end(), true), 100'000);
    ASSERT_EQ(std::count(modifierText.begin(), modifierText.end(), true), 52 + 1 + 25);
    std::size_t differences = 0;
    for (std::size_t i = 0; i < all.size() && differences < 20;) {
        const std::size_t start = i;
        const UChar32 c = nextCodePoint(all, i);
        const std::string u = all.substr(start, i - start);
        // A word character can name a mode, a letter, "+" or white space be
        // part of the modifier text, anything else but ":" be a key.
        const std::string modeLine = u + "<- a:", modifierLine = "+" + u + "- a:", keyLine = "- " + u + ":";
        const auto mode = skhdBindingOf(modeLine);
        const bool isWord = mode && mode->mode;
        const auto modifiers = skhdBindingOf(modifierLine);
        const bool isModifierText = modifiers && modifiers->modifiers == "+" + u;
        const auto key = skhdBindingOf(keyLine);
        const bool isKey = key && key->key == u;
        const auto at = static_cast<std::size_t>(c);
        if (isWord != words[at] || isModifierText != modifierText[at] || isKey == notKey[at]) {
            ADD_FAILURE() << "U+" << std::hex << c << ": word " << isWord << ", modifier text " << isModifierText
                          << ", key " << isKey;
            ++differences;
        }
    }
}

// --- The source, over a home directory ---

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;

    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        DetectionSnapshot snapshot{.shortcut = shortcut, .findings = {}, .notes = {}, .checkedSources = {},
                                   .observedAt = {}, .receivedKey = false};
        ConfigurationScanner(directory.path(), platform.services).skhd(shortcut, snapshot);
        return snapshot;
    }
};

TEST(SkhdSource, readsBothFilesInOrderAndNotesIncludes) {
    Home home;
    home.directory.write(".config/skhd/skhdrc", "# .load \"other\"\ncmd - a : x\n");
    home.directory.write(".skhdrc", "\n\ncmd - a : x\n.load \"more\"\n");
    const DetectionSnapshot snapshot = home.scan(ShortcutSpec(0, command));
    EXPECT_EQ(snapshot.checkedSources, (std::vector<std::string>{"skhd：.config/skhd/skhdrc", "skhd：.skhdrc"}));
    EXPECT_EQ(snapshot.notes, (std::vector<std::string>{includeNote, includeNote}));
    ASSERT_EQ(snapshot.findings.size(), 2u);
    EXPECT_EQ(snapshot.findings[0].id, "skhd-" + home.directory.path() + "/.config/skhd/skhdrc-1");
    EXPECT_EQ(snapshot.findings[1].id, "skhd-" + home.directory.path() + "/.skhdrc-2");
    EXPECT_EQ(snapshot.findings[1].sourceURL, Url::file(home.directory.path() + "/.skhdrc"));
}

TEST(SkhdSource, theSecondFileCountsWithoutTheFirstAndBadTextIsSkippedSilently) {
    Home home;
    home.directory.write(".config/skhd/skhdrc", "cmd - a : caf\xE9\n.load x\n");  // Latin-1, not UTF-8
    home.directory.write(".skhdrc", "cmd - a : x\n");
    DetectionSnapshot snapshot = home.scan(ShortcutSpec(0, command));
    EXPECT_EQ(snapshot.checkedSources.size(), 2u);
    EXPECT_TRUE(snapshot.notes.empty());
    ASSERT_EQ(snapshot.findings.size(), 1u);

    std::filesystem::remove(home.directory.path() + "/.config/skhd/skhdrc");
    snapshot = home.scan(ShortcutSpec(0, command));
    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"skhd：.skhdrc"});
    EXPECT_EQ(snapshot.findings.size(), 1u);
}

TEST(SkhdSource, aHomeWhoseNameIsNotUtf8StillGivesValidText) {
    Home home;
    const std::string odd = home.directory.path() + "/caf\xE9";
    home.directory.write("caf\xE9/.skhdrc", "cmd - a : x\n");
    DetectionSnapshot snapshot{.shortcut = ShortcutSpec(0, command), .findings = {}, .notes = {},
                               .checkedSources = {}, .observedAt = {}, .receivedKey = false};
    ConfigurationScanner(odd, home.platform.services).skhd(ShortcutSpec(0, command), snapshot);
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].id, "skhd-" + home.directory.path() + "/caf\uFFFD/.skhdrc-0");
    EXPECT_EQ(snapshot.findings[0].sourceURL, Url::file(odd + "/.skhdrc"));
    EXPECT_NE(snapshot.findings[0].sourceURL->absoluteString().find("/caf%E9/.skhdrc"), std::string::npos);
}

// --- Real configuration files ---

// What a reader of skhd's grammar takes a line to bind, worked out without
// regular expressions: modifier words before the first "-" (after an
// optional "mode <"), then the key, then ":", "[" or "->".
std::optional<std::pair<ShortcutSpec, bool>> readBinding(std::string line) {
    line = line.substr(0, line.find('#'));
    const std::size_t dash = line.find('-');
    if (dash == std::string::npos) return std::nullopt;
    std::string left = line.substr(0, dash);
    bool conditional = line.find('[') != std::string::npos;
    if (const std::size_t angle = left.find('<'); angle != std::string::npos) {
        std::istringstream mode(left.substr(0, angle));
        std::string word, extra;
        if (!(mode >> word) || (mode >> extra)) return std::nullopt;
        if (!std::all_of(word.begin(), word.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; })) return std::nullopt;
        left = left.substr(angle + 1);
        conditional = true;
    }
    std::vector<std::string> words;
    std::string word;
    for (char c : left + "+") {
        if (c == '+') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == ' ' || c == '\t') {
            if (c != ' ' && c != '\t') word += c;
            else if (!word.empty() && word.back() != ' ') word += ' ';
        } else {
            return std::nullopt;
        }
    }
    for (std::string& w : words) {
        while (!w.empty() && w.back() == ' ') w.pop_back();
        if (w == "lctrl" || w == "rctrl" || w == "lcmd" || w == "rcmd" || w == "lalt" || w == "ralt" ||
            w == "lshift" || w == "rshift") {
            conditional = true;
        }
    }
    std::istringstream right(line.substr(dash + 1));
    std::string key;
    right >> key;
    std::string rest;
    std::getline(right, rest);
    for (const char* separator : {"->", "[", ":"}) {
        if (const std::size_t at = key.find(separator); at != std::string::npos && at > 0) {
            rest = key.substr(at) + rest;
            key = key.substr(0, at);
        }
    }
    if (const std::size_t colon = key.find(':'); colon != std::string::npos) return std::nullopt;
    rest.erase(0, rest.find_first_not_of(" \t"));
    if (!(rest.starts_with(":") || rest.starts_with("[") || rest.starts_with("->"))) return std::nullopt;
    const auto code = ShortcutSpec::keyCodeNamed(key);
    const auto modifiers = ShortcutSpec::modifiersNamed(words);
    if (!code || !modifiers) return std::nullopt;
    return std::make_pair(ShortcutSpec(*code, *modifiers), conditional);
}

std::vector<std::filesystem::path> corpus(const std::string& kind) {
    std::vector<std::filesystem::path> files;
    const std::filesystem::path folder = std::filesystem::path(CHORDMAP_CORPUS) / kind;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(SkhdCorpus, everyBindingLineAndNothingElseIsFound) {
    const auto files = corpus("skhd");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    std::size_t bindings = 0;
    for (const auto& file : files) {
        const std::string text = testing::readFile(file.string());
        std::map<std::pair<std::uint16_t, std::uint64_t>, std::vector<Line>> expected;
        std::istringstream stream(text);
        std::string line;
        for (std::size_t number = 1; std::getline(stream, line); ++number) {
            if (auto binding = readBinding(line)) {
                expected[{binding->first.keyCode, binding->first.modifiers}].push_back(
                    {number, binding->second ? conditional : plain});
            }
        }
        // A handful of common combinations besides every one the file binds.
        for (const ShortcutSpec extra : {ShortcutSpec(36, command), ShortcutSpec(4, option), ShortcutSpec(40, control | option),
                                         ShortcutSpec(49, command), ShortcutSpec(0, 0)}) {
            expected.try_emplace({extra.keyCode, extra.modifiers});
        }
        for (const auto& [combination, lines] : expected) {
            const ShortcutSpec shortcut(combination.first, combination.second);
            EXPECT_EQ(scanned(text, shortcut), lines) << file.filename() << " " << shortcut.displayName();
            EXPECT_EQ(skhdFindings(text, shortcut, rcURL), skhdFindingsByPattern(text, shortcut, rcURL)) << file.filename();
            bindings += lines.size();
        }
    }
    EXPECT_GT(bindings, 500u);
}

}  // namespace
}  // namespace chordmap
