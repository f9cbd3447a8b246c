// The native macOS services, on the machine that runs the tests.
#include "platform/mac/MacPlatform.h"

#import <AppKit/AppKit.h>
#include <Carbon/Carbon.h>
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace chordmap::mac_platform {
namespace {

using namespace std::chrono_literals;

NSString* key(CFStringRef name) { return (__bridge NSString*)name; }

std::optional<std::vector<SymbolicHotKey>> entriesOf(id list) {
    return symbolicHotKeyEntries((__bridge CFTypeRef)list);
}

TEST(MacSymbolicHotKeys, readsNumbersAsNSNumberDoesAndRejectsMalformedLists) {
    NSString* code = key(kHISymbolicHotKeyCode);
    NSString* modifiers = key(kHISymbolicHotKeyModifiers);
    NSString* enabled = key(kHISymbolicHotKeyEnabled);
    const auto entries = entriesOf(@[
        @{code : @49, modifiers : @256, enabled : @YES, @"other" : @"ignored"},
        @{code : @49.9, modifiers : @(-1), enabled : @0},
        @{code : @"49", enabled : @NO},
        @{},
    ]);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 4u);
    EXPECT_EQ((*entries)[0].code, 49u);
    EXPECT_EQ((*entries)[0].carbonModifiers, 256u);
    EXPECT_EQ((*entries)[0].enabled, true);
    EXPECT_EQ((*entries)[1].code, 49u);  // reals truncate
    EXPECT_EQ((*entries)[1].carbonModifiers, 0xFFFF'FFFF'FFFF'FFFFu);
    EXPECT_EQ((*entries)[1].enabled, false);
    EXPECT_EQ((*entries)[2].code, std::nullopt);  // text is not a number
    EXPECT_EQ((*entries)[2].carbonModifiers, std::nullopt);
    EXPECT_EQ((*entries)[2].enabled, false);
    EXPECT_EQ((*entries)[3].enabled, std::nullopt);

    EXPECT_EQ(entriesOf(@[])->size(), 0u);
    EXPECT_FALSE(entriesOf(@[ @{code : @1}, @"not a dictionary" ]));
    EXPECT_FALSE(entriesOf(@[ @{@1 : @2} ]));  // a key that is not text
    EXPECT_FALSE(entriesOf(@{code : @1}));
    EXPECT_FALSE(symbolicHotKeyEntries(nullptr));
}

TEST(MacSymbolicHotKeys, theSystemAnswersWithAStatusOrAList) {
    const SymbolicHotKeyList list = CarbonSymbolicHotKeys().copySymbolicHotKeys();
    EXPECT_EQ(list.status == 0, list.entries.has_value()) << "status " << list.status;
}

TEST(MacTapEvent, readsTheFieldsOfAKeyboardEvent) {
    CGEventRef event = CGEventCreateKeyboardEvent(nullptr, 40, true);
    ASSERT_NE(event, nullptr);
    CGEventSetFlags(event, kCGEventFlagMaskCommand | kCGEventFlagMaskShift);
    CGEventSetTimestamp(event, 123'456'789);
    CGEventSetIntegerValueField(event, kCGKeyboardEventAutorepeat, 1);
    const CoreGraphicsTapEvent view(event);
    EXPECT_EQ(view.keyCode(), 40);
    EXPECT_EQ(view.autorepeat(), 1);
    EXPECT_EQ(view.flags() & 0x120000u, 0x120000u);
    EXPECT_EQ(view.timestamp(), 123'456'789u);
    EXPECT_EQ(view.subtype(), std::nullopt);  // a key event has none, and asking must not raise
    CFRelease(event);

    const CoreGraphicsTapEvent none(nullptr);
    EXPECT_EQ(none.keyCode(), -1);
    EXPECT_EQ(none.timestamp(), 0u);
    EXPECT_EQ(none.subtype(), std::nullopt);
}

TEST(MacTapEvent, readsTheHotKeySubtypeAndTargetOfASystemDefinedEvent) {
    @autoreleasepool {
        NSEvent* hotKey = [NSEvent otherEventWithType:NSEventTypeSystemDefined
                                             location:NSZeroPoint
                                        modifierFlags:0
                                            timestamp:0
                                         windowNumber:0
                                              context:nil
                                              subtype:6
                                                data1:0
                                                data2:0];
        ASSERT_NE(hotKey, nil);
        ASSERT_NE(hotKey.CGEvent, nullptr);
        CGEventRef event = CGEventCreateCopy(hotKey.CGEvent);
        CGEventSetIntegerValueField(event, kCGEventTargetUnixProcessID, 4321);
        const CoreGraphicsTapEvent view(event);
        EXPECT_EQ(view.subtype(), 6);
        EXPECT_EQ(view.targetPid(), 4321);
        CFRelease(event);
    }
}

// Turns the main run loop, which also drains the main dispatch queue, until
// the condition holds; the bound only keeps a broken queue from hanging.
bool runMainLoopUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, false);
    }
    return true;
}

TEST(MacMainQueue, runsWorkLaterInOrderAndHonoursCancellation) {
    DispatchMainQueue queue;
    std::vector<std::string> ran;
    queue.async([&] { ran.push_back("first"); });
    queue.async([&] { ran.push_back(queue.isMainThread() ? "second on main" : "second elsewhere"); });
    EXPECT_TRUE(ran.empty());  // never inside the call that queued it

    auto cancelled = queue.asyncAfter(1ms, [&] { ran.push_back("cancelled"); });
    cancelled->cancel();
    auto dropped = queue.asyncAfter(1ms, [&] { ran.push_back("dropped with its handle"); });
    dropped.reset();
    std::unique_ptr<ScheduledTask> own;
    own = queue.asyncAfter(2ms, [&] {
        own.reset();  // a task may end its own handle
        ran.push_back("own");
    });
    std::unique_ptr<ScheduledTask> last = queue.asyncAfter(30ms, [&] { ran.push_back("last"); });

    ASSERT_TRUE(runMainLoopUntil([&] { return !ran.empty() && ran.back() == "last"; }));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second on main", "own", "last"}));

    bool elsewhere = true;
    std::thread([&] { elsewhere = queue.isMainThread(); }).join();
    EXPECT_FALSE(elsewhere);
}

TEST(MacMainQueue, aRepeatingTimerFiresUntilInvalidatedFromInside) {
    DispatchMainQueue queue;
    int ticks = 0;
    std::unique_ptr<RepeatingTimer> timer;
    timer = queue.repeatingTimer(5ms, 0ns, [&] {
        if (++ticks == 3) timer.reset();
    });
    ASSERT_TRUE(runMainLoopUntil([&] { return ticks == 3; }));
    bool later = false;
    auto sentinel = queue.asyncAfter(50ms, [&] { later = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return later; }));
    EXPECT_EQ(ticks, 3);
}

TEST(MacProcesses, answersForThisProcessAndForOneThatEnded) {
    const MacProcesses processes;
    EXPECT_EQ(processes.ownPid(), ::getpid());
    EXPECT_TRUE(processes.processExists(::getpid()));
    const auto own = processes.executablePath(::getpid());
    ASSERT_TRUE(own);
    EXPECT_TRUE(own->ends_with("/chordmap_tests")) << *own;

    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(processes.processExists(child));
    EXPECT_FALSE(processes.executablePath(child));
}

TEST(MacProcesses, findsInstalledApplicationsByBundleIdentifier) {
    const MacProcesses processes;
    const auto finder = processes.applicationURL("com.apple.finder");
    ASSERT_TRUE(finder);
    EXPECT_TRUE(finder->absoluteString().ends_with("/Finder.app/")) << finder->absoluteString();
    EXPECT_FALSE(processes.applicationURL("org.chordmap.no-such-application"));
    EXPECT_TRUE(processes.runningApplications("org.chordmap.no-such-application").empty());
}

TEST(MacServices, homeAndTapListAnswer) {
    const passwd* account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(Home().path(), account->pw_dir);

    const CoreGraphicsTapList list;
    const EventTapListResult count = list.eventTapList(0);
    ASSERT_EQ(count.error, 0);
    EXPECT_TRUE(count.taps.empty());
    const std::uint32_t room = count.count + 16;
    const EventTapListResult taps = list.eventTapList(room);
    ASSERT_EQ(taps.error, 0);
    EXPECT_EQ(taps.taps.size(), std::min(room, taps.count));
}

TEST(MacServices, theRegistryListsTheLoginSessionsAsDictionaries) {
    const Value users = CarbonSecureInput().consoleUsers();
    ASSERT_TRUE(users.array()) << "IOConsoleUsers is published on every booted Mac";
    for (const Value& session : *users.array()) EXPECT_TRUE(session.dictionary());
}

TEST(MacWorkspace, drawsTheIconOfAFolderAtTheSizeAskedFor) {
    const AppKitWorkspace workspace;
    const auto icon = workspace.iconForFile("/System", 32);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->size, 32);
    ASSERT_EQ(icon->pixels.size(), 32u * 32u);
    EXPECT_TRUE(std::any_of(icon->pixels.begin(), icon->pixels.end(), [](std::uint32_t argb) { return (argb >> 24) != 0; }));
    EXPECT_FALSE(workspace.iconForFile("/System", 0));
    EXPECT_FALSE(workspace.iconForFile("", 32));
}

TEST(MacEventTaps, aGrantedTapDeliversThroughTheMainRunLoopUntilInvalidated) {
    CoreGraphicsEventTaps taps;
    auto tap = taps.createTap(TapLocation::annotatedSession, event_mask::systemDefined, [](std::uint32_t, const TapEvent&) {});
    if (!tap) GTEST_SKIP() << "input monitoring is not granted to this process";
    EXPECT_TRUE(tap->isValid());
    EXPECT_TRUE(tap->isEnabled());
    auto source = tap->createRunLoopSource();
    ASSERT_TRUE(source);
    source->addToMainRunLoop();
    source->removeFromMainRunLoop();
    tap->invalidate();
    EXPECT_FALSE(tap->isValid());
}

}  // namespace
}  // namespace chordmap::mac_platform
