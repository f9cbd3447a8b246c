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

// Shapes of real files are in cases/hammerspoon.txt. Here texts Lua would
// refuse (nested past its limit) or that make a careless reader run long; a
// declaration before them is still found.
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
