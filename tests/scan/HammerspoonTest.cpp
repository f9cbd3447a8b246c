#include "ToolFixtures.h"
#include "scan/ConfigurationScanner.h"
#include "scan/Hammerspoon.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

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
const std::string literalDetail =
    "识别到字面量快捷键声明；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。变量生成的绑定不在静态扫描范围内。";
const std::string notRun = "；没有执行 Lua，因此未确认模块是否加载、是否被禁用或被运行时覆盖。";
const std::string limitNote = "Hammerspoon：达到 100 个 Lua 文件扫描上限。";
const ShortcutSpec cmdAltK(40, command | option);

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

struct Case {
    const char* name;
    std::string text;
    ShortcutSpec shortcut;
    std::vector<std::size_t> lines;
    std::string detail = {};  // of the first finding, when given
};

// Rows quote the shapes of real configuration files (the file's owner in
// the name), then their hazards.
TEST(Hammerspoon, declarations) {
    const std::string bindK = "hs.hotkey.bind({'cmd', 'alt'}, 'K', fn)";
    const ShortcutSpec hyperX(7, command | option | control | shift);
    const std::vector<Case> cases{
        // Literal calls and entries.
        {"after a short comment", "-- " + bindK, cmdAltK, {}},
        {"inside a long comment", "--[[ " + bindK + " ]]", cmdAltK, {}},
        {"inside a leveled long comment", "--[==[ ]] " + bindK + " ]==]", cmdAltK, {}},
        {"after a three-line long comment", "--[[ one\ntwo\nthree ]] " + bindK, cmdAltK, {3}, literalDetail},
        {"a comment ending at a lone CR", "-- note\r" + bindK, cmdAltK, {1}},
        {"inside a string literal", "print(\"x\",\n\"" + bindK + "\")", cmdAltK, {2}, literalDetail},
        {"inside a long string", "s = [[\n\n" + bindK + "]]", cmdAltK, {3}},
        {"'--' inside a string", "s = '--' " + bindK, cmdAltK, {1}},
        {"hs.hotkey.new", "local k = hs.hotkey.new({'cmd','alt'}, 'k', nil)", cmdAltK, {1}},
        {"no modifiers", "hs.hotkey.bind({}, 'f13', fn)", ShortcutSpec(105, 0), {1}},
        {"nil modifiers", "hs.hotkey.bind(nil, 'f13', fn)", ShortcutSpec(105, 0), {1}},
        {"a table entry", "keys = {\n  { mods = {'ctrl', 'shift'}, key = 'space' },\n}", ShortcutSpec(49, control | shift), {2},
         literalDetail},
        {"spaces and mixed quotes", "hs.hotkey.bind( { \" cmd' ,'alt \" , }  ,  \"K\", fn)", cmdAltK, {1}},
        {"a list over several lines", "hs.hotkey.bind({\n  'cmd',\r\n  'alt',\n}, 'K', fn)", cmdAltK, {1}},
        {"an unknown modifier name", "hs.hotkey.bind({'cmd', 'alt', 'super'}, 'K', fn)", cmdAltK, {}},
        {"the key is not trimmed", "hs.hotkey.bind({'cmd', 'alt'}, ' K', fn)", cmdAltK, {}},
        {"other modifiers", bindK, ShortcutSpec(40, command), {}},
        {"CR LF lines", "-- note\r\n" + bindK + "\r\n", cmdAltK, {2}},
        {"calls first, then table entries", "t = { mods = {'cmd','alt'}, key = 'k' }\n" + bindK + "\n" + bindK,
         cmdAltK, {2, 3, 1}},
        {"two on one line share the line", bindK + "; " + bindK, cmdAltK, {1, 1}},
        // Names bound earlier in the file.
        {"DanielCardonaRojas: a local table", "local hyper = { \"shift\", \"ctrl\", \"cmd\", \"alt\" }\n\n"
         "hs.hotkey.bind(hyper, \"x\", function()\nend)", hyperX, {3}, "修饰键列表取自同一文件中名为 hyper 的表" + notRun},
        {"DanielCardonaRojas: hs.keycodes.map", "local hyper = {'shift', 'ctrl', 'cmd', 'alt'}\n"
         "hs.hotkey.bind(hyper, hs.keycodes.map[\"x\"], f)", hyperX, {2}},
        {"a field of a module table", "local M = require('settings')\nM.hyper = {'cmd', 'alt'}\nhs.hotkey.bind(M.hyper, 'K', f)",
         cmdAltK, {3}, "修饰键列表取自同一文件中名为 M.hyper 的表" + notRun},
        {"the last assignment before the use", "local m = {'cmd'}\nhs.hotkey.bind(m, 'k', f)\nm = {'cmd', 'alt'}\n"
         "hs.hotkey.bind(m, 'k', f)", cmdAltK, {4}},
        {"a key from a name", "local key = 'K'\nhs.hotkey.bind({'cmd', 'alt'}, key, f)", cmdAltK, {2},
         "按键取自同一文件中名为 key 的字符串" + notRun},
        {"a list appended to", "local m = {'cmd'}\ntable.insert(m, 'alt')\nhs.hotkey.bind(m, 'K', f)", cmdAltK, {3}},
        {"a list changed through an unknown key", "local m = {'cmd', 'alt'}\nm[i] = 'shift'\nhs.hotkey.bind(m, 'K', f)",
         cmdAltK, {}},
        {"a parameter hides the name", "local hyper = {'cmd', 'alt'}\nlocal function bindHyper(hyper)\n"
         "  hs.hotkey.bind(hyper, 'K', f)\nend", cmdAltK, {}},
        {"a local ends with its block", "do local m = {'cmd', 'alt'} end\nhs.hotkey.bind(m, 'K', f)", cmdAltK, {}},
        {"a name from another file", "local hyper = require('hyper')\nhs.hotkey.bind(hyper.mods, 'K', f)", cmdAltK, {}},
        // Modals.
        {"AndreGeng: a modal's key", "local hyperKey = require('hyperKey')\n"
         "local windowManagementModal = hs.hotkey.modal.new({}, \"F17\")", ShortcutSpec(64, 0), {2},
         "进入模态 windowManagementModal 的组合键" + notRun},
        {"AndreGeng: a modal's binding", "local windowManagementModal = hs.hotkey.modal.new({}, \"F17\")\n"
         "windowManagementModal:bind({}, 'escape', function()\n  windowManagementModal:exit()\nend, nil)",
         ShortcutSpec(53, 0), {2}, "模态 windowManagementModal 中的绑定，只在该模态激活时有效" + notRun},
        {"AlgusDark: a modal without a key", "slackRebind = hs.hotkey.modal.new()\n\n"
         "slackRebind:bind({'ctrl'}, 'pagedown', nil, forwardHistory, nil, forwardHistory)", ShortcutSpec(121, control), {3}},
        {"Hammerspoon's example: chained", "k = hs.hotkey.modal.new('cmd-shift', 'd')\n:bind('', 'escape', f)",
         ShortcutSpec(2, command | shift), {1}, "进入模态 k 的组合键" + notRun},
        {"AndreGeng: bind on a module", "local hyperKey = require('hyperKey')\nhyperKey:bind({}, \"W\", f, nil)",
         ShortcutSpec(13, 0), {}},
        {"evantravers: bind on a Spoon", "HyperModal = spoon.HyperModal\nHyperModal\n  :start()\n  :bind('', \"1\", f)",
         ShortcutSpec(18, 0), {}},
        // Spoons.
        {"DepoXy: bindHotkeys", "local minimizeAndHideWindows = hs.loadSpoon(\"MinimizeAndHideWindows\")\n\n"
         "minimizeAndHideWindows:bindHotkeys({\n  allButFrontmost={{\"shift\", \"ctrl\", \"cmd\"}, \"W\"},\n})",
         ShortcutSpec(13, shift | control | command), {4},
         "Spoon MinimizeAndHideWindows 的热键映射项 allButFrontmost，由该 Spoon 绑定" + notRun},
        {"DepoXy: a quote as the key", "dateTimeSnips = hs.loadSpoon(\"DateTimeSnips\")\ndateTimeSnips:bindHotkeys({\n"
         "  snipISODateTimeDashed={{\"ctrl\", \"cmd\"}, \"'\"},\n})", ShortcutSpec(39, control | command), {3}},
        {"evantravers: bindHotKeys", "Hyper = spoon.Hyper\n\nHyper:bindHotKeys({hyperKey = {{}, 'F19'}})",
         ShortcutSpec(80, 0), {3}},
        {"bindHotkeys on a module", "local x = require('x')\nx:bindHotkeys({a = {{'cmd', 'alt'}, 'K'}})", cmdAltK, {}},
        {"zzamboni: andUse's hotkeys", "hyper = {\"cmd\",\"alt\",\"ctrl\"}\nInstall=spoon.SpoonInstall\n"
         "Install:andUse(\"WindowGrid\",\n  {\n    hotkeys = {show_grid = {hyper, \"g\"}},\n    start = true\n  }\n)",
         ShortcutSpec(5, command | option | control), {5},
         "Spoon WindowGrid 的热键映射项 show_grid，由该 Spoon 绑定，修饰键列表取自同一文件中名为 hyper 的表" + notRun},
        {"zzamboni: a disabled Spoon", "Install:andUse(\"MouseCircle\",\n  {\n    disable = true,\n"
         "    hotkeys = {\n      show = { {'cmd', 'alt'}, \"k\" }\n    }\n  }\n)", cmdAltK, {}},
        {"zzamboni: bindSpec", "hyper = {\"cmd\",\"alt\"}\nhs.hotkey.bindSpec({hyper, \"k\"},\n  function () end\n)",
         cmdAltK, {2}},
        // Tables a loop hands to a binding.
        {"AndreGeng: hs.fnutils.each", "hs.fnutils.each({\n  {key='h', mod={'ctrl'}},\n  {key='h', mod={'ctrl shift'}},\n"
         "}, function(configItem)\n  hs.hotkey.bind(configItem.mod, configItem.key, f)\nend)",
         ShortcutSpec(4, control | shift), {3}, "逐项取自同一文件中遍历的表" + notRun},
        {"vivek-x-jha: the keys of a table", "local ctrl_alt_cmd = { 'ctrl', 'alt', 'cmd' }\nlocal applications = {\n"
         "  a = 'Anki',\n  ['/'] = 'Hotkeys',\n}\nfor key, app in pairs(applications) do\n"
         "  hs.hotkey.bind(ctrl_alt_cmd, key, message, pressedfn)\nend",
         ShortcutSpec(44, control | option | command), {4},
         "逐项取自同一文件中的表 applications，修饰键列表取自同一文件中名为 ctrl_alt_cmd 的表" + notRun},
        {"vivek-x-jha: entries with named lists", "local ctrl_alt = { 'ctrl', 'alt' }\nlocal remaps = {\n"
         "  { mods = ctrl_alt, key = 'K', message = 'Left Half', pressedfn = function() moveApp { x = 0 } end },\n}\n"
         "for _, m in ipairs(remaps) do\n  hs.hotkey.bind(m.mods, m.key, m.message, m.pressedfn)\nend",
         ShortcutSpec(40, control | option), {3},
         "逐项取自同一文件中的表 remaps，修饰键列表取自同一文件中名为 ctrl_alt 的表" + notRun},
        {"a literal entry counts once", "local bindings = {\n  { mods = {'cmd', 'alt'}, key = 'k', fn = f },\n}\n"
         "for _, binding in ipairs(bindings) do\n  hs.hotkey.bind(binding.mods, binding.key, binding.fn)\nend",
         cmdAltK, {2}, literalDetail},
        {"jasonrudolph: entries from another file", "local windowMappings = require('keyboard.windows-bindings-defaults')\n"
         "local mappings = windowMappings.mappings\nfor i, mapping in ipairs(mappings) do\n"
         "  local modifiers, trigger = table.unpack(mapping)\n  hs.hotkey.bind(modifiers, trigger, f)\nend",
         cmdAltK, {}},
    };
    for (const Case& c : cases) {
        const std::vector<Finding> findings = scan(c.text, c.shortcut);
        EXPECT_EQ(lineNumbers(findings), c.lines) << c.name;
        if (!c.detail.empty() && !findings.empty()) {
            EXPECT_EQ(findings[0].detail, c.detail) << c.name;
        }
    }
}

// Texts Lua would refuse (nested past its limit) or that make a careless
// reader run long; a declaration before them is still found.
TEST(Hammerspoon, pathologicalTextsEnd) {
    const std::string first = "hs.hotkey.bind({'cmd','alt'}, 'K', f)\n";
    const auto repeated = [&](const std::string& piece) {
        std::string out = first;
        while (out.size() < 2'000'000) out += piece;
        return out;
    };
    for (const std::string piece : {"hs.hotkey.bind({", "mods = {", "(", "{", "do ", "-", "local a = a.", "--[[", "[==[", "'",
                                    "for k, v in pairs(t) do ", "a:b(", "hs.hotkey.modal.new({}, 'k'):bind({}, 'k', "}) {
        EXPECT_EQ(lineNumbers(scan(repeated(piece), cmdAltK)), std::vector<std::size_t>{1}) << piece;
    }
    const std::string levels = first + "--[" + std::string(1'000'000, '=') + "[" + std::string(1'000'000, ']');
    EXPECT_EQ(lineNumbers(scan(levels, cmdAltK)), std::vector<std::size_t>{1});
}

// Many loops over one large table: the first finds every entry, and the
// text is read in time however many entries the loops multiply to.
TEST(Hammerspoon, loopsOverLargeTablesEnd) {
    std::string text = "local m = {'cmd', 'alt'}\nlocal t = {\n";
    for (int i = 0; i < 1000; ++i) text += "{mods = m, key = 'k'},\n";
    text += "}\n";
    while (text.size() < 4'000'000) text += "for _, e in ipairs(t) do hs.hotkey.bind(m, e.key) end\n";
    EXPECT_GE(scan(text, cmdAltK).size(), 1000u);
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

}  // namespace
}  // namespace chordmap
