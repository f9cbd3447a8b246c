#include "observe/DetectorScenario.h"
#include "scan/AppIdentities.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace chordmap {
namespace {

using namespace testing;

constexpr std::uint64_t pressedAt = 5'000'000'000;

// A scenario already listening with both taps.
struct Listening : DetectorScenario {
    Listening() { detector->start(); }
};

TEST(Publication, comesEightyMillisecondsAfterThePressWithTheRecipientAheadOfTheScan) {
    Listening s;
    ASSERT_TRUE(s.press(controlOptionK, pressedAt));
    ASSERT_TRUE(s.hotKey(raycastPid, pressedAt));
    s.wait(80ms - 1ns);
    EXPECT_TRUE(s.updates.empty());
    s.wait(1ns);
    ASSERT_EQ(s.updates.size(), 1u);

    const DetectionSnapshot& snapshot = s.updates[0];
    const DetectionSnapshot scanned = s.plainScan(controlOptionK);
    EXPECT_TRUE(snapshot.receivedKey);
    EXPECT_EQ(snapshot.shortcut, controlOptionK);
    ASSERT_EQ(snapshot.findings.size(), scanned.findings.size() + 1);
    const Finding recipient{.id = eventId(pressedAt, raycastPid), .level = EvidenceLevel::observedRecipient,
                            .application = processIdentity(s.platform.processes, raycastPid), .title = exactTitle,
                            .detail = exactDetailPrefix + "501" + exactDetailSuffix, .sourceURL = std::nullopt};
    EXPECT_EQ(snapshot.findings[0], recipient);
    EXPECT_EQ(recipient.application.name, "Raycast");
    EXPECT_EQ(idsAfter(snapshot.findings, 1), ids(scanned.findings));
    EXPECT_EQ(scanned.findings.size(), 2u) << "the scan's system binding and keyboard filter";
    EXPECT_EQ(snapshot.notes, scanned.notes) << "a recipient was seen: no note about a missing one";
    EXPECT_EQ(snapshot.observedRecipient(), recipient);
}

TEST(Publication, aLaterEventIsOnlyNearbyAndLeavesTheRecipientMissing) {
    Listening s;
    s.press(controlShiftK, pressedAt);
    s.hotKey(skhdPid, pressedAt + 12'345'678);
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    const DetectionSnapshot& snapshot = s.updates[0];
    ASSERT_FALSE(snapshot.findings.empty());
    EXPECT_EQ(snapshot.findings[0].level, EvidenceLevel::nearbyEvent);
    EXPECT_EQ(snapshot.findings[0].id, eventId(pressedAt, skhdPid));
    EXPECT_EQ(snapshot.findings[0].title, nearTitle);
    EXPECT_EQ(snapshot.findings[0].detail, nearDetailPrefix + "12.3" + nearDetailSuffix);
    std::vector<std::string> notes{noRecipientNote};
    for (const auto& note : s.plainScan(controlShiftK).notes) notes.push_back(note);
    EXPECT_EQ(snapshot.notes, notes);
}

TEST(Publication, withoutTheDispatchRouteTheRouteNoteComesBeforeTheRecipientNote) {
    DetectorScenario s;
    s.platform.eventTaps.refused = {TapLocation::annotatedSession};
    s.platform.secureInput.enabled = true;
    ASSERT_TRUE(s.detector->start());
    s.press(controlOptionK, pressedAt);
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    std::vector<std::string> notes{noRouteNote, noRecipientNote};
    const auto scanned = s.plainScan(controlOptionK).notes;  // the secure-input note first
    notes.insert(notes.end(), scanned.begin(), scanned.end());
    EXPECT_EQ(s.updates[0].notes, notes);
}

TEST(Publication, judgesConditionsForTheApplicationInFrontAtThePressNotAtPublication) {
    const auto running = [](std::int32_t pid, const char* bundleID, const char* name) {
        return RunningApplication{.pid = pid, .localizedName = name, .executableURL = std::nullopt,
                                  .bundleID = bundleID, .bundleURL = std::nullopt};
    };
    Listening s;
    s.platform.home.directory = CHORDMAP_EXAMPLE_HOME;  // a Karabiner rule on ⌃⌥K, except in Terminal
    s.platform.processes.front = running(310, "com.apple.Terminal", "Terminal");
    s.press(controlOptionK, pressedAt);
    s.platform.processes.front = running(320, "com.apple.Safari", "Safari");
    s.wait(80ms);

    ASSERT_EQ(s.updates.size(), 1u);
    const FrontApplication terminal{"com.apple.Terminal", "Terminal", ""};
    EXPECT_EQ(s.updates[0].frontApplication, terminal);
    EXPECT_EQ(s.updates[0].findings, s.detector->scan(controlOptionK, terminal).findings);
    const auto karabiner = std::find_if(s.updates[0].findings.begin(), s.updates[0].findings.end(),
                                        [](const Finding& finding) { return finding.id.starts_with("karabiner-"); });
    ASSERT_NE(karabiner, s.updates[0].findings.end());
    ASSERT_TRUE(karabiner->applicability);
    EXPECT_EQ(karabiner->applicability->applies, Applies::no);
}

TEST(HotKeyWindows, acceptOnlyTheFirstQuarterSecondAndReportUpToOneSecond) {
    struct Row {
        const char* name;
        std::int64_t delay;  // ns after the press
        std::int64_t pid;
        std::optional<EvidenceLevel> finding;
        std::optional<std::string> correlation;  // of the systemHotKey diagnostic, none: no diagnostic
    };
    const std::vector<Row> rows{
        {"same instant", 0, raycastPid, EvidenceLevel::observedRecipient, "observedRecipient"},
        {"last accepted nanosecond", 249'999'999, raycastPid, EvidenceLevel::nearbyEvent, "nearbyEvent"},
        {"exactly 250 ms", 250'000'000, raycastPid, std::nullopt, "rejected"},
        {"last reported nanosecond", 999'999'999, raycastPid, std::nullopt, "rejected"},
        {"exactly one second", 1'000'000'000, raycastPid, std::nullopt, std::nullopt},
        {"before the press", -1, raycastPid, std::nullopt, std::nullopt},
        {"the program itself", 0, 4242, std::nullopt, "rejected"},
        {"pid 0", 0, 0, std::nullopt, "rejected"},
        {"negative pid", 0, -7, std::nullopt, "rejected"},
        {"pid beyond 32 bits", 0, 2'147'483'648, std::nullopt, "rejected"},
        {"largest pid", 0, 2'147'483'647, EvidenceLevel::observedRecipient, "observedRecipient"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Listening s;
        ASSERT_EQ(s.platform.processes.self, 4242);
        s.press(controlOptionK, pressedAt);
        const std::uint64_t eventAt = pressedAt + static_cast<std::uint64_t>(row.delay);
        s.hotKey(row.pid, eventAt);
        s.wait(80ms);
        ASSERT_EQ(s.updates.size(), 1u);
        const auto& findings = s.updates[0].findings;
        const bool live = !findings.empty() && findings[0].id.starts_with("event-");
        EXPECT_EQ(live ? std::optional(findings[0].level) : std::nullopt, row.finding);

        std::vector<ObservationDiagnostic> expected{{"selectedKeyDown", pressedAt, pressedAt, std::nullopt, std::nullopt}};
        if (row.correlation) expected.push_back({"systemHotKey", pressedAt, eventAt, row.pid, row.correlation});
        EXPECT_EQ(s.diagnostics, expected);
    }
}

TEST(HotKeyWindows, otherSystemEventsAndEventsWithoutAPendingPressAreIgnored) {
    Listening s;
    s.hotKey(raycastPid, pressedAt);  // nothing pressed yet
    s.press(controlOptionK, pressedAt);
    s.hotKey(raycastPid, pressedAt, 7);             // another subtype
    s.hotKey(raycastPid, pressedAt, std::nullopt);  // no application-level view
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    EXPECT_EQ(ids(s.updates[0].findings), ids(s.plainScan(controlOptionK).findings));
    EXPECT_EQ(s.diagnostics.size(), 1u) << "only the selected key press";
}

TEST(LiveFindings, oneFindingPerProcessTheFirstThatCame) {
    for (const bool exactFirst : {true, false}) {
        SCOPED_TRACE(exactFirst ? "exact first" : "near first");
        Listening s;
        s.press(controlOptionK, pressedAt);
        const std::uint64_t first = exactFirst ? pressedAt : pressedAt + 5 * nsPerMs;
        const std::uint64_t second = exactFirst ? pressedAt + 5 * nsPerMs : pressedAt;
        s.hotKey(raycastPid, first);
        s.hotKey(raycastPid, second);
        s.wait(80ms);
        ASSERT_EQ(s.updates.size(), 1u);
        const auto& findings = s.updates[0].findings;
        ASSERT_EQ(findings.size(), s.plainScan(controlOptionK).findings.size() + 1);
        EXPECT_EQ(findings[0].level, exactFirst ? EvidenceLevel::observedRecipient : EvidenceLevel::nearbyEvent);
        EXPECT_EQ(s.diagnostics.size(), 3u) << "the duplicate is still reported";
    }
}

TEST(LiveFindings, differentProcessesKeepTheirArrivalOrderAheadOfTheScan) {
    Listening s;
    s.press(controlOptionK, pressedAt);
    s.hotKey(skhdPid, pressedAt + 3 * nsPerMs);
    s.hotKey(raycastPid, pressedAt);
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    const auto& snapshot = s.updates[0];
    std::vector<std::string> expected{eventId(pressedAt, skhdPid), eventId(pressedAt, raycastPid)};
    for (const auto& id : ids(s.plainScan(controlOptionK).findings)) expected.push_back(id);
    EXPECT_EQ(ids(snapshot.findings), expected);
    EXPECT_EQ(snapshot.findings[0].level, EvidenceLevel::nearbyEvent);
    EXPECT_EQ(snapshot.observedRecipient()->id, eventId(pressedAt, raycastPid));
    EXPECT_EQ(snapshot.notes, s.plainScan(controlOptionK).notes);
}

TEST(LateUpdates, anEventAfterPublicationRedeliversTheWholeLiveListOnceWithTheSameNotes) {
    Listening s;
    s.press(controlOptionK, pressedAt);
    s.hotKey(skhdPid, pressedAt + 2 * nsPerMs);
    s.wait(100ms);
    ASSERT_EQ(s.updates.size(), 1u);

    ASSERT_TRUE(s.hotKey(raycastPid, pressedAt + 150 * nsPerMs));
    EXPECT_EQ(s.updates.size(), 1u) << "never delivered inside the tap callback";
    s.settle();
    ASSERT_EQ(s.updates.size(), 2u);
    const auto& first = s.updates[0];
    const auto& late = s.updates[1];
    std::vector<std::string> expected{eventId(pressedAt, skhdPid), eventId(pressedAt, raycastPid)};
    for (const auto& id : idsAfter(first.findings, 1)) expected.push_back(id);
    EXPECT_EQ(ids(late.findings), expected);
    EXPECT_EQ(late.findings[1].level, EvidenceLevel::nearbyEvent);
    EXPECT_EQ(late.notes, first.notes) << "the missing-recipient note stays as published";
    EXPECT_EQ(late.notes[0], noRecipientNote);
    EXPECT_TRUE(late.receivedKey);
    EXPECT_EQ(late.observedAt, first.observedAt);

    s.hotKey(skhdPid, pressedAt + 160 * nsPerMs);  // same process again
    s.settle();
    EXPECT_EQ(s.updates.size(), 2u);

    s.hotKey(900, pressedAt + 170 * nsPerMs);
    s.detector->stop();
    s.settle();
    EXPECT_EQ(s.updates.size(), 2u) << "a late update still queued at a stop is dropped";
}

TEST(KeyPresses, aRepeatClearsThePendingPressButNotItsPublication) {
    Listening s;
    s.press(controlOptionK, pressedAt);
    s.hotKey(raycastPid, pressedAt);
    s.wait(30ms);
    s.press(controlOptionK, pressedAt + 30 * nsPerMs, /*repeat=*/true);
    s.hotKey(skhdPid, pressedAt + 40 * nsPerMs);  // pairs with nothing now
    s.wait(50ms);
    ASSERT_EQ(s.updates.size(), 1u);
    std::vector<std::string> expected{eventId(pressedAt, raycastPid)};
    for (const auto& id : ids(s.plainScan(controlOptionK).findings)) expected.push_back(id);
    EXPECT_EQ(ids(s.updates[0].findings), expected);
    EXPECT_EQ(s.diagnostics.size(), 2u) << "nothing reported for the event after the repeat";
}

TEST(KeyPresses, pressingTheTargetAgainStartsAFreshExamination) {
    Listening s;
    s.press(controlOptionK, pressedAt);
    s.hotKey(raycastPid, pressedAt);
    s.wait(50ms);
    const std::uint64_t again = pressedAt + 50 * nsPerMs;
    s.press(controlOptionK, again);
    s.wait(79ms);
    EXPECT_TRUE(s.updates.empty()) << "the first publication was cancelled";
    s.wait(1ms);
    ASSERT_EQ(s.updates.size(), 1u);
    EXPECT_EQ(ids(s.updates[0].findings), ids(s.plainScan(controlOptionK).findings)) << "earlier findings discarded";
}

TEST(TargetSelection, onlyControlOptionCommandOrAFunctionKeyMakeAPressTheTarget) {
    struct Row {
        const char* name;
        std::uint16_t keyCode;
        std::uint64_t flags;
        std::optional<ShortcutSpec> target;
    };
    const std::vector<Row> rows{
        {"A", 0, 0, std::nullopt},
        {"Shift+A", 0, modifier::shift, std::nullopt},
        {"Shift+Fn+A", 0, modifier::shift | modifier::function, std::nullopt},
        {"Option+A", 0, modifier::option, optionA},
        {"Command+B", 11, modifier::command, commandB},
        {"Control+Shift+K", 40, modifier::control | modifier::shift, controlShiftK},
        {"F5", 96, 0, ShortcutSpec(96, 0)},
        {"Fn+F5", 96, modifier::function, ShortcutSpec(96, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Listening s;
        s.platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                     FakeTapEvent::keyDown(row.keyCode, row.flags, pressedAt));
        s.wait(80ms);
        ASSERT_EQ(s.updates.size(), row.target ? 1u : 0u);
        if (row.target) {
            EXPECT_EQ(s.updates[0].shortcut, *row.target);
        } else {
            EXPECT_TRUE(s.diagnostics.empty());
        }
    }
}

TEST(TargetSelection, onceChosenOtherCombinationsOnlyClearThePendingPress) {
    Listening s;
    s.press(optionA, pressedAt);
    s.press(commandB, pressedAt + nsPerMs);
    s.hotKey(raycastPid, pressedAt);  // would have matched the Option+A press
    s.wait(80ms);
    ASSERT_EQ(s.updates.size(), 1u);
    EXPECT_EQ(s.updates[0].shortcut, optionA);
    EXPECT_EQ(s.updates[0].observedRecipient(), std::nullopt);

    s.press(commandB, pressedAt + 500 * nsPerMs);
    s.wait(1s);
    EXPECT_EQ(s.updates.size(), 1u);
}

TEST(TargetSelection, keyCodesBeyondSixteenBitsAreIgnoredButClearThePendingPress) {
    for (const std::int64_t keyCode : {std::int64_t{65'536}, std::int64_t{-1}}) {
        SCOPED_TRACE(keyCode);
        Listening s;
        s.press(controlOptionK, pressedAt);
        s.platform.eventTaps.deliver(TapLocation::session, event_type::keyDown,
                                     FakeTapEvent::keyDown(keyCode, modifier::command, pressedAt + 1));
        s.hotKey(raycastPid, pressedAt);
        s.wait(80ms);
        ASSERT_EQ(s.updates.size(), 1u);
        EXPECT_EQ(s.updates[0].shortcut, controlOptionK);
        EXPECT_EQ(s.updates[0].observedRecipient(), std::nullopt);
    }
}

TEST(Diagnostics, arriveOnALaterTurnAndOnlyForTheCurrentPress) {
    Listening s;
    s.press(controlOptionK, pressedAt);
    EXPECT_TRUE(s.diagnostics.empty()) << "never inside the tap callback";
    s.settle();
    EXPECT_EQ(s.diagnostics,
              (std::vector<ObservationDiagnostic>{{"selectedKeyDown", pressedAt, pressedAt, std::nullopt, std::nullopt}}));

    // A second press in the same turn makes what the first arranged stale.
    s.hotKey(raycastPid, pressedAt);
    s.press(controlOptionK, pressedAt + 10);
    s.settle();
    EXPECT_EQ(s.diagnostics.size(), 2u);
    EXPECT_EQ(s.diagnostics.back().keyTimestamp, pressedAt + 10);
    EXPECT_EQ(s.diagnostics.back().kind, "selectedKeyDown");
}

}  // namespace
}  // namespace chordmap
