#include "observe/DetectorScenario.h"

#include <gtest/gtest.h>

namespace chordmap {
namespace {

using namespace testing;

constexpr std::uint64_t pressedAt = 9'000'000'000;

TEST(Start, installsTwoListenOnlyTapsOnTheMainRunLoopAndAWatchdog) {
    DetectorScenario s;
    EXPECT_TRUE(s.detector->start());
    EXPECT_TRUE(s.detector->isListening());
    EXPECT_TRUE(s.detector->routeAvailable());
    EXPECT_EQ(s.statuses, std::vector<std::string>{promptMessage});

    ASSERT_EQ(s.platform.eventTaps.taps.size(), 2u);
    const FakeTap& keys = *s.platform.eventTaps.taps[0];
    const FakeTap& hotKeys = *s.platform.eventTaps.taps[1];
    EXPECT_EQ(keys.location, TapLocation::session);
    EXPECT_EQ(keys.mask, 0x400u);
    EXPECT_EQ(hotKeys.location, TapLocation::annotatedSession);
    EXPECT_EQ(hotKeys.mask, 0x4000u);
    EXPECT_TRUE(keys.inRunLoop && hotKeys.inRunLoop);

    const auto timers = s.platform.mainQueue.activeTimers();
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].interval, 2s);
    EXPECT_EQ(timers[0].tolerance, 1s);
}

TEST(Start, withATargetNamesItAndExaminesOnlyThatCombination) {
    DetectorScenario s;
    ASSERT_TRUE(s.detector->start(controlOptionK));
    EXPECT_EQ(s.statuses, std::vector<std::string>{watchingPrefix + "⌃ ⌥ K" + watchingSuffix});
    s.press(optionA, pressedAt);
    s.wait(80ms);
    EXPECT_TRUE(s.updates.empty());
    s.press(controlOptionK, pressedAt + 100 * nsPerMs);
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    EXPECT_EQ(s.updates[0].shortcut, controlOptionK);
}

TEST(Start, twiceReplacesTheFirstObservation) {
    DetectorScenario s;
    ASSERT_TRUE(s.detector->start());
    s.press(optionA, pressedAt);  // becomes the target; publication due
    ASSERT_TRUE(s.detector->start());
    EXPECT_EQ(s.statuses, (std::vector<std::string>{promptMessage, promptMessage}));

    const auto& taps = s.platform.eventTaps.taps;
    ASSERT_EQ(taps.size(), 4u);
    EXPECT_TRUE(taps[0]->invalidated && !taps[0]->inRunLoop);
    EXPECT_TRUE(taps[1]->invalidated && !taps[1]->inRunLoop);
    EXPECT_TRUE(!taps[2]->ended() && taps[2]->inRunLoop);
    EXPECT_TRUE(!taps[3]->ended() && taps[3]->inRunLoop);
    EXPECT_EQ(s.platform.mainQueue.activeTimers().size(), 1u);

    s.wait(80ms);
    EXPECT_TRUE(s.updates.empty()) << "the first observation's publication is stale";
    s.press(commandB, pressedAt + 200 * nsPerMs);  // the target was cleared
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    EXPECT_EQ(s.updates[0].shortcut, commandB);
}

// A refused key tap fails the start; a refused hot-key tap only loses the route.
TEST(Start, aTapThatCannotBeInstalledFailsOnlyWhatItServes) {
    const std::vector<std::pair<const char*, std::set<TapLocation> FakeEventTaps::*>> failures{
        {"tap refused", &FakeEventTaps::refused},
        {"no run-loop source", &FakeEventTaps::withoutSource},
        {"tap disabled from the outset", &FakeEventTaps::createdDisabled},
    };
    for (const auto& [name, failure] : failures) {
        for (const TapLocation location : {TapLocation::session, TapLocation::annotatedSession}) {
            const bool keyTap = location == TapLocation::session;
            SCOPED_TRACE(std::string(name) + (keyTap ? " (key tap)" : " (hot-key tap)"));
            DetectorScenario s;
            (s.platform.eventTaps.*failure) = {location};
            EXPECT_EQ(s.detector->start(), !keyTap);
            EXPECT_EQ(s.detector->isListening(), !keyTap);
            EXPECT_FALSE(s.detector->routeAvailable());
            EXPECT_EQ(s.statuses, std::vector<std::string>{keyTap ? permissionMessage : routeMissingAtStart});
            EXPECT_EQ(s.platform.mainQueue.activeTimers().size(), keyTap ? 0u : 1u);
            if (keyTap) {
                EXPECT_EQ(s.platform.eventTaps.requests, std::vector<TapLocation>{TapLocation::session});
                EXPECT_TRUE(s.everyTapEnded());
            } else {
                const FakeTap* hotKeys = s.hotKeyTap();
                EXPECT_TRUE(!hotKeys || hotKeys->ended());
                EXPECT_FALSE(s.keyTap()->ended());
            }
        }
    }
}

TEST(Start, reportsSecureInputAheadOfEverythingElse) {
    DetectorScenario s;
    s.platform.secureInput.enabled = true;
    s.platform.eventTaps.refused = {TapLocation::annotatedSession};
    ASSERT_TRUE(s.detector->start(controlOptionK));
    EXPECT_EQ(s.statuses, std::vector<std::string>{secureInputAtStart});
}

TEST(Start, offTheMainThreadIsFatal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            DetectorScenario s;
            s.platform.mainQueue.onMainThread = false;
            s.detector->start();
        },
        "");
}

TEST(Watchdog, reportsEachChangeOfSecureInputOnceOnTheNextTick) {
    DetectorScenario s;
    ASSERT_TRUE(s.detector->start());
    s.wait(2s);
    s.platform.secureInput.enabled = true;
    s.wait(1999ms);
    EXPECT_EQ(s.statuses, std::vector<std::string>{promptMessage});
    s.wait(1ms);
    s.wait(4s);  // stays on: nothing more
    s.platform.secureInput.enabled = false;
    s.wait(2s);
    s.platform.secureInput.enabled = true;  // on and off again between two ticks
    s.wait(1s);
    s.platform.secureInput.enabled = false;
    s.wait(1s);
    EXPECT_EQ(s.statuses, (std::vector<std::string>{promptMessage, secureInputOn, secureInputOff}));
    EXPECT_TRUE(s.detector->isListening()) << "secure input does not interrupt observation";
}

TEST(Watchdog, stopsAndReportsOnceWhenATapBreaksSilently) {
    struct Row {
        const char* name;
        bool keyTap;
        bool invalid;  // else disabled
    };
    for (const Row row : {Row{"key tap invalid", true, true}, Row{"key tap disabled", true, false},
                          Row{"hot-key tap invalid", false, true}, Row{"hot-key tap disabled", false, false}}) {
        SCOPED_TRACE(row.name);
        DetectorScenario s;
        ASSERT_TRUE(s.detector->start());
        s.wait(1950ms);
        FakeTap* tap = row.keyTap ? s.keyTap() : s.hotKeyTap();
        (row.invalid ? tap->valid : tap->enabled) = false;
        s.press(controlOptionK, pressedAt);  // publication would be due after the tick
        s.wait(50ms - 1ns);
        EXPECT_TRUE(s.detector->isListening());
        s.wait(1ns);
        EXPECT_FALSE(s.detector->isListening());
        EXPECT_EQ(s.statuses, (std::vector<std::string>{promptMessage, interruptedMessage}));
        EXPECT_TRUE(s.everyTapEnded());
        EXPECT_TRUE(s.platform.mainQueue.activeTimers().empty());
        EXPECT_FALSE(tap->enabled && tap->valid) << "never re-enabled";
        s.wait(10s);
        EXPECT_EQ(s.statuses.size(), 2u);
        EXPECT_TRUE(s.updates.empty());
    }
}

TEST(TapDisabledBySystem, dropsThePressStopsOnTheNextTurnAndReportsOnce) {
    for (const std::uint32_t reason : {event_type::tapDisabledByTimeout, event_type::tapDisabledByUserInput}) {
        SCOPED_TRACE(reason);
        DetectorScenario s;
        ASSERT_TRUE(s.detector->start());
        s.press(controlOptionK, pressedAt);
        ASSERT_TRUE(s.keyTap()->disableBySystem(reason));
        EXPECT_TRUE(s.detector->isListening()) << "stopping waits for the next turn";
        s.hotKey(raycastPid, pressedAt);  // the press was dropped: nothing to pair with
        s.settle();
        EXPECT_FALSE(s.detector->isListening());
        EXPECT_TRUE(s.everyTapEnded());
        EXPECT_EQ(s.statuses, (std::vector<std::string>{promptMessage, pausedMessage}));
        s.wait(5s);
        EXPECT_TRUE(s.updates.empty()) << "the publication due was cancelled";
        EXPECT_EQ(s.statuses.size(), 2u) << "the watchdog finds observation already stopped";
        ASSERT_EQ(s.diagnostics.size(), 1u) << "the hot-key event came after the press was dropped";
        EXPECT_EQ(s.diagnostics[0].kind, "selectedKeyDown");
    }
}

TEST(Stop, leavesNothingBehindAndSaysNothing) {
    DetectorScenario s;
    s.detector->stop();  // not listening: harmless
    ASSERT_TRUE(s.detector->start());
    s.press(controlOptionK, pressedAt);
    s.hotKey(raycastPid, pressedAt);
    s.detector->stop();
    EXPECT_FALSE(s.detector->isListening());
    EXPECT_TRUE(s.everyTapEnded());
    EXPECT_TRUE(s.platform.mainQueue.activeTimers().empty());
    EXPECT_EQ(s.platform.mainQueue.queuedTasks(), 2u) << "two diagnostics queued, the publication cancelled";
    s.wait(5s);
    EXPECT_TRUE(s.updates.empty());
    EXPECT_TRUE(s.diagnostics.empty());
    EXPECT_EQ(s.statuses, std::vector<std::string>{promptMessage});

    // Events reaching the detector after the stop change nothing.
    s.detector->receive(event_type::keyDown, FakeTapEvent::keyDown(0, modifier::option, pressedAt + 1));
    s.wait(1s);
    EXPECT_TRUE(s.updates.empty());
}

TEST(Destruction, stopsTheDetectorAndVoidsEveryQueuedStep) {
    DetectorScenario s;
    ASSERT_TRUE(s.detector->start());
    s.press(controlOptionK, pressedAt);
    s.hotKey(raycastPid, pressedAt);
    s.keyTap()->disableBySystem();
    ASSERT_GE(s.platform.mainQueue.queuedTasks(), 3u);

    s.detector.reset();
    EXPECT_TRUE(s.everyTapEnded());
    EXPECT_TRUE(s.platform.mainQueue.activeTimers().empty());
    s.wait(5s);
    EXPECT_TRUE(s.updates.empty());
    EXPECT_TRUE(s.diagnostics.empty());
    EXPECT_EQ(s.statuses, std::vector<std::string>{promptMessage});
}

TEST(Destruction, aHandlerMayDestroyTheDetector) {
    DetectorScenario s;
    s.detector->onUpdate = [&s](const DetectionSnapshot& snapshot) {
        s.updates.push_back(snapshot);
        s.detector.reset();
    };
    ASSERT_TRUE(s.detector->start());
    s.press(controlOptionK, pressedAt);
    s.wait(80ms);
    EXPECT_EQ(s.updates.size(), 1u);
    EXPECT_FALSE(s.detector);
    s.wait(5s);
    EXPECT_EQ(s.updates.size(), 1u);
}

}  // namespace
}  // namespace chordmap
