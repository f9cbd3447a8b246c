#pragma once

#include "platform/MainQueue.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace chordmap::testing {

// A main queue on a virtual clock: nothing runs until the test moves time on,
// and then everything due runs in order, without sleeping.
class FakeMainQueue final : public MainQueue {
public:
    bool onMainThread = true;

    bool isMainThread() const override { return onMainThread; }
    void async(Task task) override;
    std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds delay, Task task) override;
    std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds interval, std::chrono::nanoseconds tolerance,
                                                   Task action) override;

    // Virtual time since the queue was made.
    std::chrono::nanoseconds now() const { return now_; }
    // Runs every task that falls due within the duration, earliest first
    // (queueing order among equals), with the clock at each task's time;
    // tasks queued meanwhile run too if they fall due in time. Timers fire
    // exactly on their interval. Afterwards the clock stands at now + duration.
    void advance(std::chrono::nanoseconds duration);
    // Runs what is due now, including immediate work queued by it.
    void runReady() { advance(std::chrono::nanoseconds{0}); }

    // One-shot tasks that are queued and not cancelled.
    std::size_t queuedTasks() const;
    struct TimerSettings {
        std::chrono::nanoseconds interval;
        std::chrono::nanoseconds tolerance;
    };
    // Repeating timers not invalidated, in creation order.
    std::vector<TimerSettings> activeTimers() const;

private:
    struct Entry;
    std::shared_ptr<Entry> enqueue(std::chrono::nanoseconds due, Task task,
                                   std::optional<TimerSettings> repeating);

    std::vector<std::shared_ptr<Entry>> entries_;
    std::chrono::nanoseconds now_{0};
    std::uint64_t nextOrder_ = 0;
};

}  // namespace chordmap::testing
