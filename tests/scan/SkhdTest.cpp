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
using namespace std::string_literals;
using testing::FakePlatform;
using testing::TemporaryDirectory;

const Url rcURL = Url::file("/home/u/.config/skhd/skhdrc");
const std::string plain = "文件中存在该组合键规则；未验证运行进程的配置路径或是否已重载。";
const std::string oneSide = "存在对应模式、应用或左右修饰键条件；未判定当前是否满足。";
const std::string refusedEnd = "行无法被 skhd 解析；skhd 遇到解析错误时不载入任何组合键。";

struct Found {
    std::size_t line;
    std::string detail;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& found) { return out << found.line << " " << found.detail; }

std::vector<Found> scanned(std::string_view text, const ShortcutSpec& shortcut) {
    SkhdConfiguration configuration;
    const auto findings = testing::sourceScan(shortcut, [&](Inventory& inventory) {
        skhdDeclarations(text, rcURL, configuration, inventory);
    }).findings;
    std::vector<Found> out;
    for (const Finding& f : findings) {
        const std::size_t index = std::stoul(f.id.substr(f.id.rfind('-') + 1));
        EXPECT_EQ(f.title, "skhd 组合键规则 · 第 " + std::to_string(index + 1) + " 行");
        EXPECT_EQ(f.level == EvidenceLevel::configuration, f.detail.starts_with("文件中存在"));
        out.push_back({index + 1, f.detail});
    }
    return out;
}

// Shapes from real configurations (the file in the comment), then hazards.
TEST(Skhd, bindings) {
    const std::string modes = ":: default\n    : yabai -m config active_window_border_color 0xffebdbb2\n:: tree\n";
    const std::string treeSwitch = "仅在 skhd 处于 tree 模式时生效，按下后切换到 skhd 的 default 模式；未判定当前是否满足。";
    const std::string cmuxList = "ctrl - h [\n    \"cmux\" ~\n    \"CMUX\" ~\n    * : yabai -m window --focus west\n]\n";
    struct Row {
        std::string text;
        ShortcutSpec shortcut;
        std::vector<Found> expected;
    };
    const std::vector<Row> rows{
        // Bekaboo: skhd's delete is Forward Delete, its backspace Delete.
        {"cmd - delete    : osascript -e 'tell application \"System Events\"'", {117, command}, {{1, plain}}},
        {"cmd - delete : x", {51, command}, {}},
        {"cmd + shift - backspace : yabai -m window --minimize", {51, command | shift}, {{1, plain}}},
        {"cmd - pageup : yabai -m window --toggle zoom-fullscreen", {116, command}, {{1, plain}}},
        {"fn - home : x\nfn - f1 : y\nfn - a : z", {115, 0}, {{1, plain}}},  // skhd adds fn to these keys itself
        {"fn - a : z", {0, function}, {{1, plain}}},
        {"insert : x", {114, 0}, {{1, plain}}},
        // 4volodin, 0xAndoroid, Christopher2K: hexadecimal codes, no modifiers, a glued colon, "[" in a command.
        {"0x59 : yabai -m space --focus prev    # Hyper+[", {89, 0}, {{1, plain}}},
        {"ctrl - 0x0E : issw com.apple.keylayout.Ukrainian-PC", {14, control}, {{1, plain}}},
        {"alt - g: yabai -m display --focus prev", {5, option}, {{1, plain}}},
        {"alt - 0x21 : yabai -m space --focus prev # ALT + [", {33, option}, {{1, plain}}},
        {"meh - a : x\nctrl+alt+shift-a : y", {0, control | option | shift}, {{1, plain}, {2, plain}}},
        {"hyper - 1 : x", {18, hyper}, {{1, plain}}},
        // Amar1729: modes, switches, a passthrough switch, a command on the next line.
        {modes + "ctrl - f ; tree\ntree < ctrl - f -> ; default", {3, control},
         {{4, "文件中存在该组合键规则，按下后切换到 skhd 的 tree 模式；未验证运行进程的配置路径或是否已重载。"}, {5, treeSwitch}}},
        {modes + "tree < 0x35 ; default\ndefault, tree < cmd - 0x35 : skhd --restart-service", {53, 0}, {{4, treeSwitch}}},
        {modes + "default, tree < cmd - 0x35 : skhd --restart-service", {53, command}, {{4, plain}}},
        {"rcmd + shift - 3\n    : screencapture ~/Downloads/screenshot.png", {20, command | shift}, {{1, oneSide}}},
        // johnMocingbird: a list of modes, a side-specific mode switch.
        {":: window_management\n:: leader\nwindow_management, leader < h : yabai -m window --focus west", {4, 0},
         {{3, "仅在 skhd 处于 window_management、leader 模式之一时生效；未判定当前是否满足。"}}},
        {":: leader : x\nlalt - space; leader", {49, option},
         {{2, "须按指定一侧的修饰键，按下后切换到 skhd 的 leader 模式；未判定当前是否满足。"}}},
        {"lalt + alt - a : x", {0, option}, {{1, plain}}},  // either side, then
        // 0xAndoroid, Amar1729: process lists.
        {cmuxList, {4, control}, {{1, "前台应用为 cmux 时不生效；未判定当前是否满足。"}}},
        {"rcmd - return [\n    \"Microsoft Outlook\" ~\n    *  : open -a Alacritty\n]", {36, command},
         {{1, "前台应用为 Microsoft Outlook 时不生效，须按指定一侧的修饰键；未判定当前是否满足。"}}},
        {"cmd - n [\n \"kitty\" : echo kitty\n \"finder\" : false\n \"kitty\" ~\n]", {45, command},
         {{1, "仅在前台应用为 kitty、finder 时生效；未判定当前是否满足。"}}},
        {"cmd - n [\n \"kitty\" : a\n * : b\n]", {45, command}, {{1, plain}}},
        {"cmd - n [\n \"kitty\" ~\n * ~\n]", {45, command}, {}},
        // 4volodin, AlgusDark: continued commands, comments, a shebang.
        {"alt - p :   yabai -m window --toggle topmost;\\\n  cmd - a : x", {0, command}, {}},
        {"alt - p : echo \\\\\ncmd - a : x", {0, command}, {{2, plain}}},
        {"#lalt - 0x1E : yabai -m query --spaces --space \\\ncmd + lalt - j : yabai", {38, command | option}, {{2, oneSide}}},
        {"#!/bin/zsh\ncmd - a : x", {0, command}, {{2, plain}}},
        {"cmd - a # : x", {0, command}, {}},
        // What skhd does not read as a key of its own.
        {"CMD - a : x\nLCMD - a : x\ncontrol - a : x\ncmd - A : x\ncmd - nosuchkey : x", {0, command}, {}},
        {"alt - 0x2c : x", {44, option}, {}},  // hexadecimal digits are upper case
        {"sound_up : x\ncmd - mouse_left : y\ncmd - a : z", {0, command}, {{3, plain}}},
        // Line ends: skhd ends lines at LF only; a NUL ends the text.
        {"# c\r\ncmd - a : y\r\n", {0, command}, {{2, plain}}},
        {"# c\rcmd - a : y", {0, command}, {}},
        {"cmd - b : x\n\0cmd - a : y"s, {0, command}, {}},
        // A statement skhd refuses does not take the ones after it along.
        {"cmd -\ncmd - a : x\ncmd - 0x : y\nalt - 0x2c : x\n   cmd - a : z", {0, command}, {{2, plain}, {5, plain}}},
        {"cmd - n [\n \"kitty\" ;\ncmd - a : x", {0, command}, {{3, plain}}},
        {std::string(300'000, ' ') + "- :\n" + std::string(300'000, '+') + "\ncmd - " + std::string(4'000'000, 'a') +
             "\ncmd - a : x",
         {0, command}, {{4, plain}}},
    };
    for (const Row& row : rows) EXPECT_EQ(scanned(row.text, row.shortcut), row.expected) << row.text.substr(0, 80);
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
