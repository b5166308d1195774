#include "core/Scheduler.h"

#include <QTimer>

namespace vantorel {

void ScheduledTask::cancel() {
    if (!state_ || state_->cancelled)
        return;
    state_->cancelled = true;
    if (auto onCancel = std::move(state_->onCancel))
        onCancel();
}

bool ScheduledTask::isActive() const { return state_ && !state_->cancelled && !state_->finished; }

namespace {
Scheduler* g_shared = nullptr;
}

Scheduler& Scheduler::shared() {
    if (!g_shared) {
        static QtScheduler fallback;
        g_shared = &fallback;
    }
    return *g_shared;
}

void Scheduler::setShared(Scheduler* scheduler) { g_shared = scheduler; }

QtScheduler::QtScheduler() : started_(std::chrono::steady_clock::now()) {}

Duration QtScheduler::now() const {
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - started_);
}

QDateTime QtScheduler::currentDateTime() const { return QDateTime::currentDateTime(); }

ScheduledTask QtScheduler::after(Duration delay, QObject* context, std::function<void()> fn) {
    return start(delay, 0ms, false, context, std::move(fn));
}

ScheduledTask QtScheduler::every(Duration interval, Duration tolerance, QObject* context,
                                 std::function<void()> fn) {
    return start(interval, tolerance, true, context, std::move(fn));
}

void QtScheduler::post(QObject* context, std::function<void()> fn) {
    QMetaObject::invokeMethod(context ? context : this, std::move(fn), Qt::QueuedConnection);
}

ScheduledTask QtScheduler::start(Duration interval, Duration tolerance, bool repeating, QObject* context,
                                 std::function<void()> fn) {
    auto state = std::make_shared<ScheduledTask::State>();
    // The timer lives with its context, so work never outlives its owner.
    auto* timer = new QTimer(context ? context : this);
    timer->setSingleShot(!repeating);
    // A coarse timer may fire up to 5% early or late; only allow that when the caller tolerates it.
    timer->setTimerType(tolerance.count() * 20 >= interval.count() && tolerance.count() > 0 ? Qt::CoarseTimer
                                                                                             : Qt::PreciseTimer);
    QPointer<QTimer> guard(timer);
    state->onCancel = [guard] {
        if (guard) {
            guard->stop();
            guard->deleteLater();
        }
    };
    // The timer keeps the state alive, so work runs even when every handle was dropped.
    QObject::connect(timer, &QTimer::timeout, timer, [state, repeating, timer, fn = std::move(fn)] {
        if (state->cancelled)
            return;
        if (!repeating) {
            state->finished = true;
            state->onCancel = nullptr;
            timer->deleteLater();
        }
        fn();
    });
    QObject::connect(timer, &QObject::destroyed, [state] {
        state->finished = true;
        state->onCancel = nullptr;
    });
    timer->start(interval);
    return ScheduledTask(state);
}

} // namespace vantorel
