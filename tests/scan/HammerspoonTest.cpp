#include "ToolFixtures.h"
#include "scan/AppIdentities.h"
#include "scan/ConfigurationScanner.h"
#include "scan/Hammerspoon.h"
#include "scan/LuaText.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace chordmap {
namespace {

using namespace modifier;
using testing::FakePlatform;
using testing::FakeProcesses;
using testing::TemporaryDirectory;
namespace fs = std::filesystem;

const Url initURL = Url::file("/home/u/.hammerspoon/init.lua");
const std::string detail =
    "识别到字面量快捷键声明；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。变量生成的绑定不在静态扫描范围内。";
const std::string limitNote = "Hammerspoon：达到 100 个 Lua 文件扫描上限。";
const ShortcutSpec cmdAltK(40, command | option);

TEST(StripLuaComments, blanksCommentsAndKeepsEveryLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"a -- b\nc", "a   \nc"},
        {"x--[[a\nb]]y", "x \n y"},
        {"x--[==[a]]b]=]c]==]y", "x        y"},             // only the bracket of the same level closes
        {"x--[[a\nb", "x \n "},                                // unterminated: runs to the end
        {"x--[==", "x   "},                                    // the text ends inside the bracket
        {"x--[=x]=]\ny", "x      \ny"},                        // no second "[": a short comment
        {"s = '--x' -- c", "s = '--x'   "},                    // "--" inside a string
        {"s = \"a\\\"--b\" --c", "s = \"a\\\"--b\"  "},        // an escaped quote does not close
        {"s = 'it\"s' --c", "s = 'it\"s'  "},                  // only the same quote closes
        {"'a\n--b'", "'a\n--b'"},                              // a line break does not close a string
        {"'a\\", "'a\\"},                                      // a backslash at the very end
        {"a--b\r\nc", "a  \nc"},                               // CR is an ordinary character
        {"--\u00E9\u4E2D\U0001F600\n", "   \n"},               // one space per character
        {"[[--x]]", "[[   "},                                  // long strings are code
        {"a - b-", "a - b-"},
        {"a-", "a-"},
        {"---[[x]]", "      "},                                // "-[[x]]" is a short comment's text
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(stripLuaComments(text), expected) << text;
}

std::vector<fs::path> corpus(const std::string& kind);

TEST(LuaHotKeyDeclarations, shapesAtTheirEdges) {
    const std::vector<std::pair<std::string, std::size_t>> cases{
        {"hs.hotkey.bind({'cmd'}, 'K')", 1},
        {"hs.hotkey.new\u3000(\u00A0{ cmd }\u2028,\v\"K'", 1},   // `\s` is Unicode white space
        {"hs.hotkey.bind({}, '')", 0},                           // the key name is never empty
        {"hs.hotkey.bind({cmd}, 'K", 0},                         // no closing quote
        {"hs.hotkey.bind({cmd, 'K')", 0},                        // no closing brace
        {"hs.hotkey.bind({cmd\u200B}, 'K')", 1},                 // a zero-width space is no white space...
        {"hs.hotkey.bind\u200B({cmd}, 'K')", 0},                 // ...so it breaks the call apart
        {"hs.hotkey.bindx({cmd}, 'K')", 0},
        {"hs.hotkey.bind({a}, 'b', hs.hotkey.bind({c}, 'd'))", 2},
        {"hs.hotkey.bind({hs.hotkey.bind({c}, 'd')", 1},         // the second call is part of the first list
        {"mods = {x}, key = \"K\", mods={}, key='\u4E2D'", 2},
        {"mods = {x}, key = 'K', hs.hotkey.bind({y}, 'L')", 2},   // both shapes, in shape order
        {"hs.hotkey.bind({" + std::string(1000, ' ') + "}, '" + std::string(1000, 'k') + "'", 1},
    };
    for (const auto& [text, count] : cases) EXPECT_EQ(luaHotKeyDeclarations(text).size(), count) << text;
}

std::vector<Finding> scan(std::string_view text, const ShortcutSpec& shortcut) {
    FakeProcesses processes;
    return testing::sourceScan(shortcut, [&](Inventory& inventory) {
        hammerspoonDeclarations(processes, text, initURL, inventory);
    }).findings;
}

std::vector<std::size_t> lineNumbers(const std::vector<Finding>& findings) {
    std::vector<std::size_t> out;
    for (const Finding& f : findings) {
        const std::size_t line = std::stoul(f.id.substr(f.id.rfind('-') + 1));
        EXPECT_EQ(f.title, "Lua 源码中的组合键 · 第 " + std::to_string(line) + " 行");
        out.push_back(line);
    }
    return out;
}

TEST(Hammerspoon, aDeclarationOnLineTwelveGivesTheFullFinding) {
    FakeProcesses processes;
    processes.installedApplications.emplace("org.hammerspoon.Hammerspoon", Url::file("/Applications/Hammerspoon.app", true));
    const std::string text = std::string(11, '\n') + "hs.hotkey.bind({'cmd', 'alt'}, 'K', fn)\n";
    const auto findings = testing::sourceScan(cmdAltK, [&](Inventory& inventory) {
        hammerspoonDeclarations(processes, text, initURL, inventory);
    }).findings;
    ASSERT_EQ(findings.size(), 1u);
    const Finding& f = findings[0];
    EXPECT_EQ(f.id, "hs-/home/u/.hammerspoon/init.lua-12");
    EXPECT_EQ(f.level, EvidenceLevel::conditionalConfiguration);
    EXPECT_EQ(f.application, knownApplication(processes, "Hammerspoon", "org.hammerspoon.Hammerspoon"));
    EXPECT_EQ(f.application.bundleURL, Url::file("/Applications/Hammerspoon.app", true));
    EXPECT_EQ(f.title, "Lua 源码中的组合键 · 第 12 行");
    EXPECT_EQ(f.detail, detail);
    EXPECT_EQ(f.sourceURL, initURL);
}

struct Case {
    const char* name;
    std::string text;
    ShortcutSpec shortcut;
    std::vector<std::size_t> lines;
};

TEST(Hammerspoon, declarations) {
    const std::string bindK = "hs.hotkey.bind({'cmd', 'alt'}, 'K', fn)";
    const std::vector<Case> cases{
        {"after a short comment", "-- " + bindK, cmdAltK, {}},
        {"inside a long comment", "--[[ " + bindK + " ]]", cmdAltK, {}},
        {"inside a leveled long comment", "--[==[ ]] " + bindK + " ]==]", cmdAltK, {}},
        {"after a three-line long comment", "--[[ one\ntwo\nthree ]] " + bindK, cmdAltK, {3}},
        {"inside a string literal", "print(\"" + bindK + "\")", cmdAltK, {1}},
        {"hs.hotkey.new", "local k = hs.hotkey.new({'cmd','alt'}, 'k', nil)", cmdAltK, {1}},
        {"no modifiers", "hs.hotkey.bind({}, 'f13', fn)", ShortcutSpec(105, 0), {1}},
        {"a table entry", "keys = {\n  { mods = {'ctrl', 'shift'}, key = 'space' },\n}", ShortcutSpec(49, control | shift), {2}},
        {"spaces and mixed quotes", "hs.hotkey.bind( { \" cmd' ,'alt \" , }  ,  \"K\", fn)", cmdAltK, {1}},
        {"a list over several lines", "hs.hotkey.bind({\n  'cmd',\r\n  'alt',\n}, 'K', fn)", cmdAltK, {1}},
        {"an unknown modifier name", "hs.hotkey.bind({'cmd', 'alt', 'super'}, 'K', fn)", cmdAltK, {}},
        {"the key is not trimmed", "hs.hotkey.bind({'cmd', 'alt'}, ' K', fn)", cmdAltK, {}},
        {"a variable modifier list", "hs.hotkey.bind(hyper, 'K', fn)", cmdAltK, {}},
        {"other modifiers", bindK, ShortcutSpec(40, command), {}},
        {"CR LF lines", "-- note\r\n" + bindK + "\r\n", cmdAltK, {2}},
        {"calls first, then table entries", "t = { mods = {'cmd','alt'}, key = 'k' }\n" + bindK + "\n" + bindK,
         cmdAltK, {2, 3, 1}},
        {"two on one line share the line", bindK + "; " + bindK, cmdAltK, {1, 1}},
    };
    for (const Case& c : cases) EXPECT_EQ(lineNumbers(scan(c.text, c.shortcut)), c.lines) << c.name;
}

TEST(Hammerspoon, pathologicalTextsEnd) {
    std::string openers;
    while (openers.size() < 4'000'000) openers += "hs.hotkey.bind({";
    EXPECT_TRUE(scan(openers, cmdAltK).empty());
    EXPECT_TRUE(scan(std::string(4'000'000, '-'), cmdAltK).empty());
    EXPECT_TRUE(scan("--[" + std::string(2'000'000, '=') + "[" + std::string(1'000'000, ']'), cmdAltK).empty());
    // A declaration before the pathological part is still found.
    std::string mods = "hs.hotkey.bind({'cmd','alt'}, 'K', f)\n";
    while (mods.size() < 4'000'000) mods += "mods = {";
    EXPECT_EQ(lineNumbers(scan(mods, cmdAltK)), std::vector<std::size_t>{1});
}

// Openings that all run to one far-away brace or quote cost a backtracking
// search their whole distance each; the declarations after them still count.
TEST(Hammerspoon, declarationsAfterManyUnfinishedOnesAreFound) {
    std::string calls;
    while (calls.size() < 3'000'000) calls += "hs.hotkey.bind({";
    calls += "}\nhs.hotkey.bind({'cmd','alt'}, 'K', f)\n";
    EXPECT_EQ(lineNumbers(scan(calls, cmdAltK)), std::vector<std::size_t>{2});
    std::string entries;
    while (entries.size() < 3'000'000) entries += "mods = {";
    entries += "}\nx = { mods = {'cmd','alt'}, key = 'k' }\n";
    EXPECT_EQ(lineNumbers(scan(entries, cmdAltK)), std::vector<std::size_t>{2});
}

TEST(Hammerspoon, aLargeRealFileFindsEveryDeclaration) {
    const std::string call = "hs.hotkey.bind({'cmd', 'alt'}, 'K', function() end) -- note\n";
    const std::string entry = "{ mods = {'ctrl', 'alt'}, key = 'k', fn = f },\n";
    std::string text;
    std::size_t lines = 0;
    for (; text.size() < 4'000'000 - call.size() - entry.size(); lines += 2) text += call + entry;
    EXPECT_EQ(scan(text, cmdAltK).size(), lines / 2);
    EXPECT_EQ(scan(text, ShortcutSpec(40, control | option)).size(), lines / 2);
}

// --- The source, over a home directory ---

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;

    std::string write(const std::string& relative, std::string_view text) const { return directory.write(relative, text); }

    DetectionSnapshot scan(const ShortcutSpec& shortcut = cmdAltK) const {
        const ConfigurationScanner scanner(directory.path(), platform.services);
        return testing::sourceScan(shortcut, [&](Inventory& inventory) { scanner.hammerspoon(inventory); });
    }
};

const std::string bindLine = "hs.hotkey.bind({'cmd', 'alt'}, 'K', fn)\n";

TEST(HammerspoonSource, readsLuaFilesOfBothDirectoriesSkippingWhatItShould) {
    Home home;
    home.write(".hammerspoon/init.lua", "require('windows')\n" + bindLine);
    home.write(".hammerspoon/windows.lua", bindLine);
    home.write(".hammerspoon/UPPER.LUA", bindLine);
    home.write(".hammerspoon/.hidden.lua", bindLine);
    home.write(".hammerspoon/Spoons/Foo.spoon/init.lua", bindLine);
    home.write(".hammerspoon/docs/example.lua", bindLine);
    home.write(".hammerspoon/notes.txt", bindLine);
    home.write(".config/hammerspoon/extra/more.lua", "\n\n" + bindLine);
    const DetectionSnapshot snapshot = home.scan();
    EXPECT_EQ(snapshot.checkedSources,
              (std::vector<std::string>{"Hammerspoon：init.lua", "Hammerspoon：windows.lua", "Hammerspoon：more.lua"}));
    EXPECT_TRUE(snapshot.notes.empty());
    std::vector<std::string> ids;
    for (const Finding& f : snapshot.findings) ids.push_back(f.id);
    const std::string root = home.directory.path();
    EXPECT_EQ(ids, (std::vector<std::string>{"hs-" + root + "/.hammerspoon/init.lua-2", "hs-" + root + "/.hammerspoon/windows.lua-1",
                                             "hs-" + root + "/.config/hammerspoon/extra/more.lua-3"}));
}

TEST(HammerspoonSource, aFileReachableTwiceIsReadOnce) {
    Home home;
    home.write(".hammerspoon/init.lua", bindLine);
    fs::create_directories(home.directory.path() + "/.config");
    fs::create_directory_symlink(home.directory.path() + "/.hammerspoon", home.directory.path() + "/.config/hammerspoon");
    fs::create_symlink(home.directory.path() + "/.hammerspoon/init.lua", home.directory.path() + "/.hammerspoon/same.lua");
    fs::create_directory_symlink(home.directory.path() + "/.hammerspoon", home.directory.path() + "/.hammerspoon/loop");
    ASSERT_EQ(::mkfifo((home.directory.path() + "/.hammerspoon/pipe.lua").c_str(), 0600), 0);
    const DetectionSnapshot snapshot = home.scan();
    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"Hammerspoon：init.lua"});
    EXPECT_EQ(snapshot.findings.size(), 1u);
    EXPECT_TRUE(snapshot.notes.empty());
}

TEST(HammerspoonSource, readsAtMostOneHundredFiles) {
    for (const std::size_t inSecond : {0, 60}) {
        Home home;
        const std::size_t total = inSecond == 0 ? 101 : 120;
        for (std::size_t i = 0; i < total; ++i) {
            const char* directory = i < total - inSecond ? ".hammerspoon/" : ".config/hammerspoon/";
            home.write(directory + std::to_string(1000 + i) + ".lua", bindLine);
        }
        const DetectionSnapshot snapshot = home.scan();
        EXPECT_EQ(snapshot.checkedSources.size(), 100u) << total;
        EXPECT_EQ(snapshot.findings.size(), 100u) << total;
        EXPECT_EQ(snapshot.notes, std::vector<std::string>{limitNote}) << total;
    }
    Home exactly;
    for (int i = 0; i < 100; ++i) exactly.write(".hammerspoon/" + std::to_string(i) + ".lua", "");
    EXPECT_TRUE(exactly.scan().notes.empty());
}

TEST(HammerspoonSource, oddNamesAndTextsAreHandledQuietly) {
    Home home;
    home.write(".hammerspoon/caf\xE9.lua", bindLine);
    home.write(".hammerspoon/latin1.lua", "-- caf\xE9\n" + bindLine);
    const DetectionSnapshot snapshot = home.scan();
    EXPECT_EQ(snapshot.checkedSources,
              (std::vector<std::string>{"Hammerspoon：caf\uFFFD.lua", "Hammerspoon：latin1.lua"}));
    EXPECT_TRUE(snapshot.notes.empty());
    ASSERT_EQ(snapshot.findings.size(), 1u);
    const std::string root = home.directory.path();
    EXPECT_EQ(snapshot.findings[0].id, "hs-" + root + "/.hammerspoon/caf\uFFFD.lua-1");
    EXPECT_EQ(snapshot.findings[0].sourceURL->absoluteString(), Url::file(root).absoluteString() + "/.hammerspoon/caf%E9.lua");
}

TEST(HammerspoonSource, runsInItsPlaceInTheScan) {
    Home home;
    home.write(".hammerspoon/init.lua", bindLine);
    home.write(".skhdrc", "ctrl + alt - k : x\n");
    const DetectionSnapshot snapshot = ConfigurationScanner(home.directory.path(), home.platform.services).scan(ShortcutSpec(40, control | option));
    const auto skhd = std::find(snapshot.checkedSources.begin(), snapshot.checkedSources.end(), "skhd：.skhdrc");
    const auto lua = std::find(snapshot.checkedSources.begin(), snapshot.checkedSources.end(), "Hammerspoon：init.lua");
    ASSERT_NE(lua, snapshot.checkedSources.end());
    EXPECT_LT(skhd, lua);
}

// --- Real configuration files ---

std::vector<fs::path> corpus(const std::string& kind) {
    std::vector<fs::path> files;
    const fs::path folder = fs::path(CHORDMAP_CORPUS) / kind;
    std::error_code error;
    if (!fs::is_directory(folder, error)) return files;
    for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string corpusText(const std::string& name) {
    return testing::readFile((fs::path(CHORDMAP_CORPUS) / "hammerspoon" / name).string());
}

TEST(HammerspoonCorpus, knownDeclarationsAreFoundOnTheirLines) {
    if (corpus("hammerspoon").empty()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    const std::string depoxy = corpusText("DepoXy__macOS-Hammyspoony__.hammerspoon__init.lua");
    EXPECT_EQ(lineNumbers(scan(depoxy, ShortcutSpec(3, command))), std::vector<std::size_t>{444});
    EXPECT_EQ(lineNumbers(scan(depoxy, ShortcutSpec(3, shift | control | command))), std::vector<std::size_t>{466});
    EXPECT_EQ(lineNumbers(scan(depoxy, ShortcutSpec(8, control | option))), std::vector<std::size_t>{588});
    const std::string ueaner = corpusText("ueaner__dotfiles__.config__hammerspoon__init.lua");
    EXPECT_EQ(lineNumbers(scan(ueaner, ShortcutSpec(36, command))), std::vector<std::size_t>{24});
    EXPECT_TRUE(scan(ueaner, ShortcutSpec(49, command)).empty());
    const std::string words = corpusText("jasonrudolph__keyboard__hammerspoon__delete-words.lua");
    EXPECT_EQ(lineNumbers(scan(words, ShortcutSpec(4, option))), std::vector<std::size_t>{9});
    EXPECT_EQ(lineNumbers(scan(words, ShortcutSpec(32, control))), std::vector<std::size_t>{34});
    const std::string hyper = corpusText("89oinotna__mac-dotfiles__.hammerspoon__init.lua");
    EXPECT_EQ(lineNumbers(scan(hyper, ShortcutSpec(43, command | option | control))), std::vector<std::size_t>{10});
}

TEST(HammerspoonCorpus, everyFileScansAndFindingsPointAtDeclarations) {
    const auto files = corpus("hammerspoon");
    if (files.empty()) GTEST_SKIP() << "no corpus at " << CHORDMAP_CORPUS;
    const std::vector<ShortcutSpec> combinations{ShortcutSpec(40, command | option), ShortcutSpec(36, command),
                                                 ShortcutSpec(4, option),           ShortcutSpec(49, option),
                                                 ShortcutSpec(3, command),          ShortcutSpec(126, command),
                                                 ShortcutSpec(8, control | option), ShortcutSpec(32, control),
                                                 ShortcutSpec(46, command | option | control), ShortcutSpec(41, control)};
    std::size_t found = 0;
    for (const auto& file : files) {
        const std::string text = testing::readFile(file.string());
        const std::string stripped = stripLuaComments(text);
        std::vector<std::size_t> lineStarts{0, 0};
        for (std::size_t i = 0; i < stripped.size(); ++i) {
            if (stripped[i] == '\n') lineStarts.push_back(i + 1);
        }
        for (const ShortcutSpec& shortcut : combinations) {
            for (const std::size_t line : lineNumbers(scan(text, shortcut))) {
                ++found;
                // The declaration starts on that line, outside any comment.
                const std::string_view rest = std::string_view(stripped).substr(lineStarts.at(line));
                const std::string_view first = rest.substr(0, rest.find('\n'));
                EXPECT_TRUE(first.find("hs.hotkey.") != std::string_view::npos || first.find("mods") != std::string_view::npos)
                    << file.filename() << ":" << line;
            }
        }
    }
    EXPECT_GE(found, 9u);  // how often the corpus declares these combinations
}

}  // namespace
}  // namespace chordmap
