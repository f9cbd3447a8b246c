#include "ToolFixtures.h"
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

std::vector<Finding> skhdFindings(std::string_view text, const ShortcutSpec& shortcut, const Url& url) {
    return testing::sourceScan(shortcut, [&](Inventory& inventory) { skhdDeclarations(text, url, inventory); }).findings;
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

// --- The source, over a home directory ---

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;

    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        const ConfigurationScanner scanner(directory.path(), platform.services);
        return testing::sourceScan(shortcut, [&](Inventory& inventory) { scanner.skhd(inventory); });
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
    const ConfigurationScanner scanner(odd, home.platform.services);
    const DetectionSnapshot snapshot =
        testing::sourceScan(ShortcutSpec(0, command), [&](Inventory& inventory) { scanner.skhd(inventory); });
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].id, "skhd-" + home.directory.path() + "/caf\uFFFD/.skhdrc-0");
    EXPECT_EQ(snapshot.findings[0].sourceURL, Url::file(odd + "/.skhdrc"));
    EXPECT_NE(snapshot.findings[0].sourceURL->absoluteString().find("/caf%E9/.skhdrc"), std::string::npos);
}

// --- Real configuration files ---

}  // namespace
}  // namespace chordmap
