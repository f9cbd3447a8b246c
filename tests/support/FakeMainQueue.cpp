#include "support/FakeMainQueue.h"

#include <algorithm>

namespace chordmap::testing {

struct FakeMainQueue::Entry {
    std::chrono::nanoseconds due;
    std::uint64_t order;
    std::shared_ptr<Task> task;  // shared: a running task survives its own cancellation
    std::optional<TimerSettings> repeating;
    std::uint64_t createdOrder;
    bool cancelled = false;
};

namespace {

class Handle final : public ScheduledTask, public RepeatingTimer {
public:
    template <typename Entry>
    explicit Handle(const std::shared_ptr<Entry>& entry)
        : cancel_([weak = std::weak_ptr<Entry>(entry)] {
              if (auto entry = weak.lock()) entry->cancelled = true;
          }) {}
    ~Handle() override { cancel_(); }
    void cancel() override { cancel_(); }
    void invalidate() override { cancel_(); }

private:
    std::function<void()> cancel_;
};

}  // namespace

std::shared_ptr<FakeMainQueue::Entry> FakeMainQueue::enqueue(std::chrono::nanoseconds due, Task task,
                                                             std::optional<TimerSettings> repeating) {
    const std::uint64_t order = nextOrder_++;
    auto entry = std::make_shared<Entry>(
        Entry{due, order, std::make_shared<Task>(std::move(task)), repeating, order, false});
    entries_.push_back(entry);
    return entry;
}

void FakeMainQueue::async(Task task) { enqueue(now_, std::move(task), std::nullopt); }

std::unique_ptr<ScheduledTask> FakeMainQueue::asyncAfter(std::chrono::nanoseconds delay, Task task) {
    return std::make_unique<Handle>(enqueue(now_ + std::max(delay, std::chrono::nanoseconds{0}), std::move(task),
                                            std::nullopt));
}

std::unique_ptr<RepeatingTimer> FakeMainQueue::repeatingTimer(std::chrono::nanoseconds interval,
                                                              std::chrono::nanoseconds tolerance, Task action) {
    interval = std::max(interval, std::chrono::nanoseconds{1});
    return std::make_unique<Handle>(
        enqueue(now_ + interval, std::move(action), TimerSettings{.interval = interval, .tolerance = tolerance}));
}

void FakeMainQueue::advance(std::chrono::nanoseconds duration) {
    const auto end = now_ + std::max(duration, std::chrono::nanoseconds{0});
    for (;;) {
        std::erase_if(entries_, [](const auto& entry) { return entry->cancelled; });
        auto next = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a->due != b->due ? a->due < b->due : a->order < b->order;
        });
        if (next == entries_.end() || (*next)->due > end) break;
        const std::shared_ptr<Entry> entry = *next;
        now_ = std::max(now_, entry->due);
        if (entry->repeating) {
            entry->due += entry->repeating->interval;
            entry->order = nextOrder_++;
        } else {
            entries_.erase(next);
        }
        const auto task = entry->task;
        (*task)();
    }
    now_ = end;
}

std::size_t FakeMainQueue::queuedTasks() const {
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), [](const auto& entry) {
        return !entry->cancelled && !entry->repeating;
    }));
}

std::vector<FakeMainQueue::TimerSettings> FakeMainQueue::activeTimers() const {
    std::vector<std::shared_ptr<Entry>> timers;
    std::copy_if(entries_.begin(), entries_.end(), std::back_inserter(timers),
                 [](const auto& entry) { return !entry->cancelled && entry->repeating; });
    std::sort(timers.begin(), timers.end(), [](const auto& a, const auto& b) { return a->createdOrder < b->createdOrder; });
    std::vector<TimerSettings> settings;
    for (const auto& timer : timers) settings.push_back(*timer->repeating);
    return settings;
}

}  // namespace chordmap::testing
