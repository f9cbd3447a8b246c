#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace chordmap {

// A delayed task on the main queue. Destroying the handle cancels it too;
// cancelling a task that already ran, or from inside it, does nothing.
class ScheduledTask {
public:
    virtual ~ScheduledTask() = default;
    virtual void cancel() = 0;
};

// A repeating timer on the main run loop. Destroying the handle invalidates
// it too; invalidating from inside its own action is allowed.
class RepeatingTimer {
public:
    virtual ~RepeatingTimer() = default;
    virtual void invalidate() = 0;
};

// The main thread's queue of work. Tasks run one at a time on the main
// thread, each on its own turn, never inside the call that queued them.
class MainQueue {
public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;
    virtual bool isMainThread() const = 0;
    // Runs the task on a later turn.
    virtual void async(Task task) = 0;
    // Runs the task once the delay has passed, unless cancelled first.
    virtual std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds delay, Task task) = 0;
    // Runs the action every interval until invalidated; the system may move
    // each firing later by up to the tolerance to coalesce wake-ups.
    virtual std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds interval,
                                                          std::chrono::nanoseconds tolerance, Task action) = 0;
};

}  // namespace chordmap
