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
        {"twiceFoundOnce", {{49, carbonCommand, true}, {49, carbonCommand, true}}, ShortcutSpec(49, command), true},
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

TEST(SystemHotKeys, failedEnumerationLeavesOnlyItsNote) {
    struct Failure {
        std::int32_t status;
        bool hasList;
        std::string note;
    };
    const Failure rows[] = {
        {-50, true, "系统热键枚举失败（-50）。"},
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
