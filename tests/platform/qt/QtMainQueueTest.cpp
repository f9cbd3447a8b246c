#include "platform/qt/QtMainQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace chordmap::qt_platform {
namespace {

using namespace std::chrono_literals;

struct QtMainQueueTest : ::testing::Test {
    int argc = 1;
    char name[16] = "qt-main-queue";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    std::vector<std::string> ran;
    std::vector<std::unique_ptr<ScheduledTask>> kept;
};

TEST_F(QtMainQueueTest, runsWorkOnLaterTurnsInDueOrderAndHonoursCancellation) {
    QtMainQueue queue;
    std::unique_ptr<ScheduledTask> selfCancelling;
    std::unique_ptr<RepeatingTimer> ticker;
    int ticks = 0;

    queue.async([&] { ran.push_back("immediate"); });
    auto later = queue.asyncAfter(30ms, [&] { ran.push_back("after 30 ms"); });
    auto cancelled = queue.asyncAfter(10ms, [&] { ran.push_back("cancelled"); });
    cancelled->cancel();
    queue.asyncAfter(20ms, [&] { ran.push_back("handle dropped"); });
    selfCancelling = queue.asyncAfter(1ms, [&] {
        ran.push_back("cancels itself");
        selfCancelling->cancel();
        selfCancelling.reset();
    });
    // The last timer firing ends the loop a while after the others are due.
    ticker = queue.repeatingTimer(5ms, 0ms, [&] {
        if (++ticks < 3) return;
        ticker->invalidate();
        kept.push_back(queue.asyncAfter(50ms, [] { QCoreApplication::quit(); }));
    });
    EXPECT_TRUE(ran.empty()) << "nothing runs inside the call that queued it";

    QCoreApplication::exec();
    ASSERT_EQ(ran.size(), 3u);
    EXPECT_EQ(std::set<std::string>(ran.begin(), ran.end()),
              (std::set<std::string>{"immediate", "cancels itself", "after 30 ms"}));
    EXPECT_EQ(ran.back(), "after 30 ms");
    EXPECT_EQ(ticks, 3);
}

TEST_F(QtMainQueueTest, workOfADestroyedQueueNeverRuns) {
    std::unique_ptr<ScheduledTask> outlived;
    {
        QtMainQueue queue;
        queue.async([&] { ran.push_back("immediate"); });
        outlived = queue.asyncAfter(0ms, [&] { ran.push_back("delayed"); });
    }
    outlived->cancel();
    QtMainQueue other;
    kept.push_back(other.asyncAfter(20ms, [] { QCoreApplication::quit(); }));
    QCoreApplication::exec();
    EXPECT_TRUE(ran.empty());
}

TEST_F(QtMainQueueTest, theMainThreadIsTheApplicationsThread) {
    QtMainQueue queue;
    EXPECT_TRUE(queue.isMainThread());
    bool elsewhere = true;
    std::thread([&] { elsewhere = queue.isMainThread(); }).join();
    EXPECT_FALSE(elsewhere);
}

}  // namespace
}  // namespace chordmap::qt_platform
