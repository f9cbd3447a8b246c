#include "platform/mac/MacPlatform.h"

#include <dispatch/dispatch.h>
#include <pthread.h>

#include <algorithm>
#include <limits>

namespace chordmap::mac_platform {
namespace {

using namespace std::chrono_literals;

void runQueued(void* context) {
    const std::unique_ptr<MainQueue::Task> task(static_cast<MainQueue::Task*>(context));
    (*task)();
}

// Shared by a delayed task's handle and its queued call: the handle empties
// it to cancel; the call runs whatever is still there.
struct Delayed {
    MainQueue::Task task;
};

void runDelayed(void* context) {
    const std::unique_ptr<std::shared_ptr<Delayed>> queued(static_cast<std::shared_ptr<Delayed>*>(context));
    const std::shared_ptr<Delayed> state = *queued;
    if (!state->task) return;
    // Moved out first: the task may cancel, or destroy, its own handle.
    MainQueue::Task task = std::move(state->task);
    state->task = nullptr;
    task();
}

class DelayedHandle final : public ScheduledTask {
public:
    explicit DelayedHandle(std::shared_ptr<Delayed> state) : state_(std::move(state)) {}
    ~DelayedHandle() override { cancel(); }
    void cancel() override { state_->task = nullptr; }

private:
    std::shared_ptr<Delayed> state_;
};

struct Repeating {
    MainQueue::Task action;
};

// The timer keeps its own reference to the action's state (the context's
// retain and release), so the action outlives an invalidation from inside it.
const void* retainRepeating(const void* info) {
    return new std::shared_ptr<Repeating>(*static_cast<const std::shared_ptr<Repeating>*>(info));
}

void releaseRepeating(const void* info) { delete static_cast<const std::shared_ptr<Repeating>*>(info); }

void fire(CFRunLoopTimerRef, void* info) {
    const std::shared_ptr<Repeating> state = *static_cast<std::shared_ptr<Repeating>*>(info);
    state->action();
}

class TimerHandle final : public RepeatingTimer {
public:
    explicit TimerHandle(CFRunLoopTimerRef timer) : timer_(timer) {}
    ~TimerHandle() override {
        if (!timer_) return;
        invalidate();
        CFRelease(timer_);
    }
    TimerHandle(const TimerHandle&) = delete;
    TimerHandle& operator=(const TimerHandle&) = delete;

    void invalidate() override {
        if (timer_) CFRunLoopTimerInvalidate(timer_);
    }

private:
    CFRunLoopTimerRef timer_;
};

CFTimeInterval seconds(std::chrono::nanoseconds duration) {
    return std::chrono::duration<CFTimeInterval>(duration).count();
}

}  // namespace

bool DispatchMainQueue::isMainThread() const { return pthread_main_np() != 0; }

void DispatchMainQueue::async(Task task) {
    dispatch_async_f(dispatch_get_main_queue(), new Task(std::move(task)), runQueued);
}

std::unique_ptr<ScheduledTask> DispatchMainQueue::asyncAfter(std::chrono::nanoseconds delay, Task task) {
    auto state = std::make_shared<Delayed>(Delayed{std::move(task)});
    const auto nanoseconds = std::clamp<std::int64_t>(delay.count(), 0, std::numeric_limits<std::int64_t>::max());
    dispatch_after_f(dispatch_time(DISPATCH_TIME_NOW, nanoseconds), dispatch_get_main_queue(),
                     new std::shared_ptr<Delayed>(state), runDelayed);
    return std::make_unique<DelayedHandle>(std::move(state));
}

std::unique_ptr<RepeatingTimer> DispatchMainQueue::repeatingTimer(std::chrono::nanoseconds interval,
                                                                  std::chrono::nanoseconds tolerance, Task action) {
    // An interval of zero would make a one-shot timer.
    const CFTimeInterval every = seconds(std::max<std::chrono::nanoseconds>(interval, 1ms));
    std::shared_ptr<Repeating> state = std::make_shared<Repeating>(Repeating{std::move(action)});
    CFRunLoopTimerContext context{0, &state, retainRepeating, releaseRepeating, nullptr};
    CFRunLoopTimerRef timer =
        CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + every, every, 0, 0, fire, &context);
    if (!timer) return std::make_unique<TimerHandle>(nullptr);  // out of memory: a timer that never fires
    CFRunLoopTimerSetTolerance(timer, seconds(std::max<std::chrono::nanoseconds>(tolerance, 0ns)));
    CFRunLoopAddTimer(CFRunLoopGetMain(), timer, kCFRunLoopCommonModes);
    return std::make_unique<TimerHandle>(timer);
}

}  // namespace chordmap::mac_platform
