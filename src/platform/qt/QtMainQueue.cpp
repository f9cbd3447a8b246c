#include "platform/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace chordmap::qt_platform {
namespace {

int milliseconds(std::chrono::nanoseconds duration) {
    // Round up: a task never runs early. Durations beyond Qt's int range wait
    // as long as Qt can.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(std::max(duration, std::chrono::nanoseconds{0}));
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(ms.count(), std::numeric_limits<int>::max()));
}

// Qt offers three precisions: exact, within 5 % of the interval, and whole
// seconds (up to half a second off). Take the coarsest the tolerance allows.
Qt::TimerType timerType(std::chrono::nanoseconds interval, std::chrono::nanoseconds tolerance) {
    using namespace std::chrono_literals;
    if (tolerance >= 500ms && interval >= 1s) return Qt::VeryCoarseTimer;
    if (tolerance * 20 >= interval) return Qt::CoarseTimer;
    return Qt::PreciseTimer;
}

// A timer is stopped and deleted later, never inside its own timeout, where
// deleting it would pull the running slot from under itself.
void retire(QPointer<QTimer>& timer) {
    if (!timer) return;
    timer->stop();
    timer->deleteLater();
    timer = nullptr;
}

class QtTimerHandle final : public ScheduledTask, public RepeatingTimer {
public:
    explicit QtTimerHandle(QTimer* timer) : timer_(timer) {}
    ~QtTimerHandle() override { retire(timer_); }
    void cancel() override { retire(timer_); }
    void invalidate() override { retire(timer_); }

private:
    QPointer<QTimer> timer_;
};

}  // namespace

bool QtMainQueue::isMainThread() const {
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

void QtMainQueue::async(Task task) {
    QMetaObject::invokeMethod(&context_, std::move(task), Qt::QueuedConnection);
}

std::unique_ptr<ScheduledTask> QtMainQueue::asyncAfter(std::chrono::nanoseconds delay, Task task) {
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, task = std::move(task)] {
        timer->deleteLater();
        task();
    });
    timer->start(milliseconds(delay));
    return std::make_unique<QtTimerHandle>(timer);
}

std::unique_ptr<RepeatingTimer> QtMainQueue::repeatingTimer(std::chrono::nanoseconds interval,
                                                            std::chrono::nanoseconds tolerance, Task action) {
    auto* timer = new QTimer(&context_);
    timer->setTimerType(timerType(interval, tolerance));
    QObject::connect(timer, &QTimer::timeout, timer, std::move(action));
    timer->start(std::max(milliseconds(interval), 1));
    return std::make_unique<QtTimerHandle>(timer);
}

}  // namespace chordmap::qt_platform
