#include "ToolFixtures.h"
#include "scan/ConfigurationScanner.h"
#include "scan/Skhd.h"
#include "support/FakePlatform.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace chordmap {
namespace {

using namespace modifier;
using testing::FakePlatform;
using testing::TemporaryDirectory;

const std::string refusedEnd = "行无法被 skhd 解析；skhd 遇到解析错误时不载入任何组合键。";

// Statements skhd refuses, long enough to exhaust a careless reader, do not
// take the one after them along. Shorter shapes are in cases/skhd.txt.
TEST(Skhd, longRefusedStatementsLeaveTheNextOne) {
    const std::string text = std::string(300'000, ' ') + "- :\n" + std::string(300'000, '+') + "\ncmd - " +
                             std::string(4'000'000, 'a') + "\ncmd - a : x";
    SkhdConfiguration configuration;
    const auto findings = testing::sourceScan(ShortcutSpec(0, command), [&](Inventory& inventory) {
        skhdDeclarations(text, Url::file("/c"), configuration, inventory);
    }).findings;
    EXPECT_EQ(testing::ids(findings), std::vector<std::string>{"skhd-/c-3"});
}

// --- The source over a home: both files, and the files they load ---

struct Home {
    TemporaryDirectory directory;
    FakePlatform platform;

    DetectionSnapshot scan(const ShortcutSpec& shortcut) const {
        const ConfigurationScanner scanner(directory.path(), platform.services);
        return testing::sourceScan(shortcut, [&](Inventory& inventory) { scanner.skhd(inventory); });
    }
};

TEST(SkhdSource, readsBothFilesAndFollowsLoads) {
    Home home;
    // AlgusDark: modes declared in skhdrc, bound in the files it loads.
    home.directory.write(".config/skhd/skhdrc", ":: open @\n.load \"open_mode\"\n.load \"missing\"\ncmd - a : x\n");
    home.directory.write(".config/skhd/open_mode", "#!/bin/zsh\nopen < a : open -a Calendar\n.load \"skhdrc\"\n");
    home.directory.write(".skhdrc", "# .load \"x\"\n.load \"~/.config/skhd/skhdrc\"\ncmd - a : x\nalt - 0x2c : y\n");
    const DetectionSnapshot snapshot = home.scan(ShortcutSpec(0, 0));
    EXPECT_EQ(snapshot.checkedSources,
              (std::vector<std::string>{"skhd：.config/skhd/skhdrc", "skhd：.config/skhd/open_mode", "skhd：.skhdrc"}));
    EXPECT_EQ(snapshot.notes, (std::vector<std::string>{
                                  "skhd：.config/skhd/skhdrc：找不到 .load 引入的文件 .config/skhd/missing，未展开。",
                                  "skhd：.skhdrc：第 4 " + refusedEnd,
                                  "skhd：.skhdrc：找不到 .load 引入的文件 ~/.config/skhd/skhdrc（skhd 不展开 ~），未展开。",
                              }));
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].id, "skhd-" + home.directory.path() + "/.config/skhd/open_mode-1");
    EXPECT_EQ(snapshot.findings[0].sourceURL, Url::file(home.directory.path() + "/.config/skhd/open_mode"));
    EXPECT_EQ(snapshot.findings[0].detail, "仅在 skhd 处于 open 模式时生效；未判定当前是否满足。");
    EXPECT_EQ(home.scan(ShortcutSpec(0, command)).findings.size(), 2u);  // each file once, the cycle included
}

TEST(SkhdSource, loadsStopAtTheirLimits) {
    Home home;
    // A chain of loads deeper than followed, a folder where a file should be, and more loads than followed.
    for (int i = 0; i < 10; ++i)
        home.directory.write(".config/skhd/d" + std::to_string(i), ".load \"d" + std::to_string(i + 1) + "\"\ncmd - a : x\n");
    std::filesystem::create_directories(home.directory.path() + "/folder");
    std::string many = ".load \".config/skhd/d0\"\n.load \"folder\"\n";
    for (int i = 0; i < 40; ++i) many += ".load \"none" + std::to_string(i) + "\"\n";
    home.directory.write(".skhdrc", many);
    const DetectionSnapshot snapshot = home.scan(ShortcutSpec(0, command));
    EXPECT_EQ(snapshot.findings.size(), 8u);
    const std::vector<std::string> expected{
        "skhd：.config/skhd/d7：.load 嵌套过深，未展开 .config/skhd/d8。",
        "skhd：folder：文件超过读取上限或无法读取大小，未扫描。",
    };
    ASSERT_EQ(snapshot.notes.size(), 2u + 22u + 1u);  // 32 loads: d0 to d8, the folder, 22 missing files
    EXPECT_EQ(std::vector<std::string>(snapshot.notes.begin(), snapshot.notes.begin() + 2), expected);
    EXPECT_EQ(snapshot.notes.back(), "skhd：.skhdrc：.load 超过 32 个，其余未展开。");
}

TEST(SkhdSource, textThatIsNotUtf8StillCountsAndGivesValidText) {
    Home home;
    const std::string odd = home.directory.path() + "/caf\xE9";
    home.directory.write("caf\xE9/.skhdrc", "# caf\xE9\ncmd - a [\n \"caf\xE9\" : x\n]\n");
    const ConfigurationScanner scanner(odd, home.platform.services);
    const DetectionSnapshot snapshot =
        testing::sourceScan(ShortcutSpec(0, command), [&](Inventory& inventory) { scanner.skhd(inventory); });
    ASSERT_EQ(snapshot.findings.size(), 1u);
    EXPECT_EQ(snapshot.findings[0].id, "skhd-" + home.directory.path() + "/caf\uFFFD/.skhdrc-1");
    EXPECT_EQ(snapshot.findings[0].detail, "仅在前台应用为 caf\uFFFD 时生效；未判定当前是否满足。");
    EXPECT_EQ(snapshot.findings[0].sourceURL, Url::file(odd + "/.skhdrc"));
}

}  // namespace
}  // namespace chordmap
