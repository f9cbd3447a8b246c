#pragma once

#include "platform/MainQueue.h"

#include <QObject>

namespace chordmap::qt_platform {

// The main queue on the Qt event loop of the application's main thread.
// Work still queued when the queue is destroyed never runs.
class QtMainQueue final : public MainQueue {
public:
    QtMainQueue() = default;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    bool isMainThread() const override;
    void async(Task task) override;
    std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds delay, Task task) override;
    std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds interval, std::chrono::nanoseconds tolerance,
                                                   Task action) override;

private:
    // Parent of every timer, so none outlives the queue.
    QObject context_;
};

}  // namespace chordmap::qt_platform
