#include "ToolFixtures.h"
#include "scan/ConfigurationScanner.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using testing::FakePlatform;

constexpr std::uint64_t carbonCommand = 0x100, carbonShift = 0x200, carbonOption = 0x800, carbonRightOption = 0x4000,
                        carbonControl = 0x1000, carbonFn = 0x20000;

struct Row {
    const char* name;
    std::vector<SymbolicHotKey> entries;
    ShortcutSpec shortcut;
    bool found;
};

DetectionSnapshot systemOnly(FakePlatform& platform, const ShortcutSpec& shortcut) {
    const ConfigurationScanner scanner("/nonexistent", platform.services);
    return testing::sourceScan(shortcut, [&](Inventory& inventory) { scanner.system(inventory); });
}

TEST(SystemHotKeys, matchesEnabledEntriesOnEqualNormalisedMasks) {
    using namespace modifier;
    const Row rows[] = {
        {"emptyList", {}, ShortcutSpec(49, command), false},
        {"enabledMatch", {{49, carbonCommand, true}}, ShortcutSpec(49, command), true},
        {"disabled", {{49, carbonCommand, false}}, ShortcutSpec(49, command), false},
        {"codeAbove16Bits", {{65536 + 49, carbonCommand, true}}, ShortcutSpec(49, command), false},
        {"subsetOfModifiers", {{0, carbonCommand, true}}, ShortcutSpec(0, command | shift), false},
        {"supersetOfModifiers", {{0, carbonCommand | carbonShift, true}}, ShortcutSpec(0, command), false},
        {"rightOptionCountsAsOption", {{40, carbonRightOption | carbonControl, true}}, ShortcutSpec(40, option | control), true},
        {"fnDroppedOnArrows", {{126, carbonControl | carbonFn, true}}, ShortcutSpec(126, control), true},
        {"fnKeptOnLetters", {{4, carbonControl | carbonFn, true}}, ShortcutSpec(4, control), false},
        {"missingCode", {{std::nullopt, carbonCommand, true}}, ShortcutSpec(0, command), false},
        {"missingModifiers", {{0, std::nullopt, true}}, ShortcutSpec(0, 0), false},
        {"missingEnabled", {{0, carbonCommand, std::nullopt}}, ShortcutSpec(0, command), false},
        {"laterEntryMatches", {{1, carbonCommand, true}, {0, carbonOption, true}}, ShortcutSpec(0, option), true},
    };
    for (const auto& row : rows) {
        FakePlatform platform;
        platform.symbolicHotKeys.list = {0, row.entries};
        const DetectionSnapshot snapshot = systemOnly(platform, row.shortcut);
        EXPECT_EQ(snapshot.findings.size(), row.found ? 1u : 0u) << row.name;
        EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"macOS 有效系统热键"}) << row.name;
        EXPECT_TRUE(snapshot.notes.empty()) << row.name;
    }
}

TEST(SystemHotKeys, findingCarriesTheExaminedShortcut) {
    FakePlatform platform;
    platform.symbolicHotKeys.list = {0, std::vector<SymbolicHotKey>{{49, carbonCommand, true}, {49, carbonCommand, true}}};
    const DetectionSnapshot snapshot = systemOnly(platform, ShortcutSpec(49, modifier::command));
    ASSERT_EQ(snapshot.findings.size(), 1u);
    const Finding& f = snapshot.findings[0];
    EXPECT_EQ(f.id, "system-49-1048576");
    EXPECT_EQ(f.level, EvidenceLevel::systemBinding);
    EXPECT_EQ(f.application, (AppIdentity{.name = "macOS", .pid = {}, .bundleID = "com.apple.systempreferences",
                                          .bundleURL = Url::file("/System/Applications/System Settings.app", true),
                                          .isRunning = true}));
    EXPECT_EQ(f.application.bundleURL->absoluteString(), "file:///System/Applications/System%20Settings.app/");
    EXPECT_EQ(f.title, "系统已启用这个组合键");
    EXPECT_EQ(f.detail, "macOS 的有效系统热键列表包含 ⌘ Space。这说明系统保留了该组合，不代表已观察到此次按键的接收进程。");
    EXPECT_EQ(f.sourceURL->absoluteString(), "x-apple.systempreferences:com.apple.Keyboard-Settings.extension");
}

TEST(SystemHotKeys, failedEnumerationLeavesOnlyItsNote) {
    struct Failure {
        std::int32_t status;
        bool hasList;
        std::string note;
    };
    const Failure rows[] = {
        {-50, false, "系统热键枚举失败（-50）。"},
        {-50, true, "系统热键枚举失败（-50）。"},
        {0, false, "系统热键枚举失败（0）。"},
        {-2147483647 - 1, false, "系统热键枚举失败（-2147483648）。"},
    };
    for (const auto& row : rows) {
        FakePlatform platform;
        platform.symbolicHotKeys.list.status = row.status;
        if (!row.hasList) platform.symbolicHotKeys.list.entries.reset();
        const DetectionSnapshot snapshot = systemOnly(platform, ShortcutSpec(49, 0));
        EXPECT_EQ(snapshot.notes, std::vector<std::string>{row.note});
        EXPECT_TRUE(snapshot.checkedSources.empty());
        EXPECT_TRUE(snapshot.findings.empty());
    }
}

}  // namespace
}  // namespace chordmap
