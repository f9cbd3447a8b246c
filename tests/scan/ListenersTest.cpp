#include "scan/ConfigurationScanner.h"
#include "support/FakePlatform.h"
#include "ToolFixtures.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using testing::FakePlatform;

EventTapInformation filter(std::int32_t pid, std::uint64_t mask = 0x400, std::uint32_t options = 0, bool enabled = true) {
    return {.tappingProcess = pid, .enabled = enabled, .options = options, .eventsOfInterest = mask};
}

DetectionSnapshot listenersOnly(const FakePlatform& platform) {
    DetectionSnapshot snapshot{.shortcut = {}, .findings = {}, .notes = {}, .checkedSources = {}, .observedAt = {},
                               .receivedKey = false};
    ConfigurationScanner("/nonexistent", platform.services).listeners(snapshot);
    return snapshot;
}

TEST(Listeners, countsEnabledActiveKeyboardFiltersOfOtherProcessesOnce) {
    FakePlatform platform;
    platform.processes.self = 10;
    platform.eventTapList.taps = {
        filter(300), filter(300, 0x800), filter(300, 0xC00),  // one process, three filters
        filter(301, 0x400, 1),                                // listen-only
        filter(302, 0x400, 0, false),                         // disabled
        filter(303, 0x6),                                     // mouse only
        filter(0),                                            // pid 0
        filter(-5),                                           // negative pid
        filter(10),                                           // ourselves
        filter(304, 0x800),                                   // key-up only counts
        filter(305, 0x400, 2),                                // options bit 0 clear: active
        filter(306, 0x400, 3),                                // bit 0 set: listen-only
    };
    const DetectionSnapshot snapshot = listenersOnly(platform);
    EXPECT_EQ(testing::ids(snapshot.findings), (std::vector<std::string>{"tap-300", "tap-304", "tap-305"}));
    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"系统当前键盘事件过滤器"});
    EXPECT_TRUE(snapshot.notes.empty());
    EXPECT_EQ(platform.eventTapList.roomsAsked, (std::vector<std::uint32_t>{0, 28}));
}

TEST(Listeners, findingNamesTheProcess) {
    FakePlatform platform;
    platform.processes.executablePaths[300] = "/usr/bin/keyd";
    platform.processes.livePids = {300};
    platform.eventTapList.taps = {filter(300)};
    const DetectionSnapshot snapshot = listenersOnly(platform);
    ASSERT_EQ(snapshot.findings.size(), 1u);
    const Finding& f = snapshot.findings[0];
    EXPECT_EQ(f.level, EvidenceLevel::listener);
    EXPECT_EQ(f.application, (AppIdentity{.name = "keyd", .pid = 300, .bundleID = {}, .bundleURL = {}, .isRunning = true}));
    EXPECT_EQ(f.sourceURL, std::nullopt);
}

TEST(Listeners, noTapsAddsOnlyTheLabel) {
    FakePlatform platform;
    const DetectionSnapshot snapshot = listenersOnly(platform);
    EXPECT_TRUE(snapshot.findings.empty());
    EXPECT_TRUE(snapshot.notes.empty());
    EXPECT_EQ(snapshot.checkedSources, std::vector<std::string>{"系统当前键盘事件过滤器"});
    EXPECT_EQ(platform.eventTapList.roomsAsked, std::vector<std::uint32_t>{0});
}

TEST(Listeners, failuresBecomeNotes) {
    FakePlatform countFails;
    countFails.eventTapList.countError = 1000;
    countFails.eventTapList.taps = {filter(300)};
    const DetectionSnapshot first = listenersOnly(countFails);
    EXPECT_EQ(first.notes, std::vector<std::string>{"键盘监听器枚举失败。"});
    EXPECT_TRUE(first.checkedSources.empty());
    EXPECT_TRUE(first.findings.empty());

    FakePlatform listFails;
    listFails.eventTapList.listError = 1001;
    listFails.eventTapList.taps = {filter(300)};
    const DetectionSnapshot second = listenersOnly(listFails);
    EXPECT_EQ(second.notes, std::vector<std::string>{"监听器列表在扫描时发生变化，请重新查询。"});
    EXPECT_EQ(second.checkedSources, std::vector<std::string>{"系统当前键盘事件过滤器"});
    EXPECT_TRUE(second.findings.empty());
}

TEST(Listeners, readsAtMost4096Taps) {
    FakePlatform platform;
    platform.processes.self = 1;
    for (std::int32_t pid = 1000; pid < 6000; ++pid) platform.eventTapList.taps.push_back(filter(pid));
    const DetectionSnapshot snapshot = listenersOnly(platform);
    EXPECT_EQ(platform.eventTapList.roomsAsked, (std::vector<std::uint32_t>{0, 4096}));
    ASSERT_EQ(snapshot.findings.size(), 4096u);
    EXPECT_EQ(snapshot.findings.front().id, "tap-1000");
    EXPECT_EQ(snapshot.findings.back().id, "tap-5095");
}

}  // namespace
}  // namespace chordmap
