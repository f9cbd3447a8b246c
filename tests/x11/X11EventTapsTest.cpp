// The X11 key tap against a real X server (Xvfb) with real key presses sent
// through the XTEST extension by xdotool, as a keyboard would.
#include "observe/ShortcutDetector.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/x11/X11EventTaps.h"
#include "support/FakePlatform.h"
#include "x11/XvfbServer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>
#include <string>
#include <vector>

namespace chordmap::x11 {
namespace {

using testing::runOnDisplay;
using testing::XvfbServer;

struct X11EventTapsTest : ::testing::Test {
    int argc = 1;
    char name[16] = "x11-event-taps";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    XvfbServer server;
    std::vector<std::int64_t> seen;  // key codes

    void SetUp() override { ASSERT_TRUE(server.running()) << server.error(); }

    TapCallback recorder() {
        return [this](std::uint32_t type, const TapEvent& event) {
            EXPECT_EQ(type, event_type::keyDown);
            seen.push_back(event.keyCode());
            EXPECT_EQ(event.targetPid(), 0);
            EXPECT_EQ(event.subtype(), std::nullopt);
        };
    }

    void xdotool(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "xdotool");
        ASSERT_EQ(runOnDisplay(server.display(), arguments), 0) << "xdotool " << arguments[1];
    }

    // Runs the event loop until the condition holds. The deadline only keeps
    // a broken build from hanging; nothing here is about speed.
    static bool runUntil(const std::function<bool()>& condition) {
        const QDeadlineTimer deadline(30'000);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return true;
    }
};

TEST_F(X11EventTapsTest, onlyTheKeyTapExistsAndOnlyWhereTheDisplayIsReachable) {
    X11EventTaps taps(server.display());
    EXPECT_EQ(taps.createTap(TapLocation::annotatedSession, event_mask::systemDefined, recorder()), nullptr)
        << "X has no hot-key dispatch to observe";
    EXPECT_EQ(taps.createTap(TapLocation::session, event_mask::systemDefined, recorder()), nullptr);
    auto tap = taps.createTap(TapLocation::session, event_mask::keyDown, recorder());
    ASSERT_NE(tap, nullptr);
    EXPECT_TRUE(tap->isValid());
    EXPECT_TRUE(tap->isEnabled());
    EXPECT_TRUE(X11InputMonitoring(server.display()).preflightListenEventAccess());
    EXPECT_TRUE(X11InputMonitoring(server.display()).requestListenEventAccess());

    // A display number no server listens on.
    const std::string nowhere = ":" + std::to_string(std::stoi(server.display().substr(1)) + 1000);
    EXPECT_EQ(X11EventTaps(nowhere).createTap(TapLocation::session, event_mask::keyDown, recorder()), nullptr);
    EXPECT_FALSE(X11InputMonitoring(nowhere).preflightListenEventAccess());
    EXPECT_FALSE(X11InputMonitoring(nowhere).requestListenEventAccess());
}

// Key codes, modifiers, repeats and server time of real presses: the window
// check's live scenario and the keyboard state and clock tests.
TEST_F(X11EventTapsTest, deliversNothingOutsideTheRunLoopOrOnceInvalidated) {
    X11EventTaps taps(server.display());
    auto tap = taps.createTap(TapLocation::session, event_mask::keyDown, recorder());
    ASSERT_NE(tap, nullptr);
    auto source = tap->createRunLoopSource();
    source->addToMainRunLoop();
    xdotool({"key", "ctrl+x"});
    ASSERT_TRUE(runUntil([&] { return seen.size() == 1; }));

    source->removeFromMainRunLoop();
    xdotool({"key", "ctrl+y"});
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), 1u);
    source->addToMainRunLoop();
    xdotool({"key", "ctrl+z"});
    ASSERT_TRUE(runUntil([&] { return seen.size() == 3; })) << "events wait in the connection meanwhile";
    EXPECT_EQ(seen, (std::vector<std::int64_t>{7, 16, 6}));

    tap->invalidate();
    EXPECT_FALSE(tap->isValid());
    EXPECT_FALSE(tap->isEnabled());
    EXPECT_EQ(tap->createRunLoopSource(), nullptr);
    source->addToMainRunLoop();  // a source outliving its tap does nothing
    source->removeFromMainRunLoop();
    xdotool({"key", "ctrl+w"});
    // A second tap sees the press, so the first one had the chance to.
    std::vector<std::int64_t> other;
    auto witness = taps.createTap(TapLocation::session, event_mask::keyDown,
                                  [&](std::uint32_t, const TapEvent& event) {
                                      other.push_back(event.keyCode());
                                  });
    auto witnessSource = witness->createRunLoopSource();
    witnessSource->addToMainRunLoop();
    xdotool({"key", "ctrl+q"});
    ASSERT_TRUE(runUntil([&] { return !other.empty(); }));
    EXPECT_EQ(seen.size(), 3u);
}

// The live detector on the X11 taps and the Qt main queue.
struct X11DetectorTest : X11EventTapsTest {
    testing::FakePlatform fake;
    qt_platform::QtMainQueue mainQueue;
    std::vector<std::string> statuses;

    Platform platform(EventTaps& taps) {
        return Platform{fake.home, fake.processes, fake.symbolicHotKeys, fake.eventTapList, fake.secureInput,
                        fake.clock, taps, mainQueue};
    }
    void observe(ShortcutDetector& detector) {
        detector.onStatus = [this](const std::string& status) { statuses.push_back(status); };
    }
};

TEST_F(X11DetectorTest, withoutADisplayObservationCannotStart) {
    X11EventTaps taps(":" + std::to_string(std::stoi(server.display().substr(1)) + 1000));
    const Platform services = platform(taps);
    ShortcutDetector detector(services);
    observe(detector);
    EXPECT_FALSE(detector.start());
    EXPECT_FALSE(detector.isListening());
    EXPECT_EQ(statuses, std::vector<std::string>{"无法观察键盘。请在系统设置 → 隐私与安全性 → 输入监控中允许 Chordmap，然后重新打开应用；手动查询仍可使用。"});
}

TEST_F(X11DetectorTest, theWatchdogStopsObservationWhenTheDisplayGoesAway) {
    X11EventTaps taps(server.display());
    const Platform services = platform(taps);
    ShortcutDetector detector(services);
    observe(detector);
    ASSERT_TRUE(detector.start());
    statuses.clear();

    server.kill();
    ASSERT_TRUE(runUntil([&] { return !statuses.empty(); }));
    EXPECT_EQ(statuses, std::vector<std::string>{"键盘观察已中断。权限可能发生变化；请检查输入监控授权并重新开始。"});
    EXPECT_FALSE(detector.isListening());
    QCoreApplication::processEvents();
    EXPECT_EQ(statuses.size(), 1u);
}

}  // namespace
}  // namespace chordmap::x11
