#include "observe/ShortcutDetector.h"
#include "platform/linux/LinuxPlatform.h"

#include <gtest/gtest.h>

#include <thread>

namespace chordmap {
namespace {

using namespace std::chrono_literals;

TEST(LinuxLiveServices, withoutKeyboardObservationTheDetectorCannotStart) {
    ShortcutDetector detector(systemPlatform());
    std::vector<std::string> statuses;
    detector.onStatus = [&](const std::string& status) { statuses.push_back(status); };
    EXPECT_FALSE(detector.start());
    EXPECT_FALSE(detector.isListening());
    ASSERT_EQ(statuses.size(), 1u);
    EXPECT_TRUE(statuses[0].starts_with("无法观察键盘。"));
}

TEST(LinuxLiveServices, theCommandLineQueueRunsNothingAndKnowsTheMainThread) {
    linux_platform::NoEventLoop queue;
    bool ran = false;
    queue.async([&] { ran = true; });
    auto delayed = queue.asyncAfter(0ns, [&] { ran = true; });
    auto timer = queue.repeatingTimer(1ns, 0ns, [&] { ran = true; });
    delayed->cancel();
    timer->invalidate();
    EXPECT_FALSE(ran);

    EXPECT_TRUE(queue.isMainThread());
    bool elsewhere = true;
    std::thread([&] { elsewhere = queue.isMainThread(); }).join();
    EXPECT_FALSE(elsewhere);
}

}  // namespace
}  // namespace chordmap
