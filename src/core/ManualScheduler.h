#pragma once

#include "core/Scheduler.h"

#include <vector>

namespace vantorel {

// Virtual-time scheduler: nothing runs until the test advances time, and then
// everything due runs in time order. A 90-second time-out takes microseconds.
class ManualScheduler : public Scheduler {
public:
    explicit ManualScheduler(QDateTime wallClockStart = QDateTime(QDate(2026, 1, 5), QTime(9, 0)));

    Duration now() const override { return now_; }
    QDateTime currentDateTime() const override;
    ScheduledTask after(Duration delay, QObject* context, std::function<void()> fn) override;
    ScheduledTask every(Duration interval, Duration tolerance, QObject* context,
                        std::function<void()> fn) override;
    void post(QObject* context, std::function<void()> fn) override;

    // Moves virtual time forward, running every task that falls due on the way.
    void advance(Duration by);
    // Runs what is due now (posted work included) without moving time.
    void runPending() { advance(0ms); }
    // Number of tasks still waiting (repeating ones count until cancelled).
    int pendingCount() const;
    int repeatingCount() const;

private:
    struct Entry {
        std::shared_ptr<ScheduledTask::State> state;
        Duration due;
        Duration interval; // zero for one-shot work
        QPointer<QObject> context;
        bool hadContext = false;
        std::function<void()> fn;
        quint64 order = 0;
    };
    ScheduledTask add(Duration delay, Duration interval, QObject* context, std::function<void()> fn);
    void prune();

    Duration now_{0};
    QDateTime wallStart_;
    quint64 nextOrder_ = 0;
    std::vector<std::shared_ptr<Entry>> entries_;
};

} // namespace vantorel
