#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <chrono>
#include <functional>
#include <memory>

namespace vantorel {

using Duration = std::chrono::milliseconds;
using namespace std::chrono_literals;

// Handle of a scheduled piece of work. Copies share the same task; dropping
// every copy does not cancel it (like a dispatched work item), cancel() does.
class ScheduledTask {
public:
    ScheduledTask() = default;
    void cancel();
    bool isActive() const;
    explicit operator bool() const { return isActive(); }

    struct State {
        bool cancelled = false;
        bool finished = false;
        std::function<void()> onCancel;
    };
    explicit ScheduledTask(std::shared_ptr<State> s) : state_(std::move(s)) {}

private:
    std::shared_ptr<State> state_;
};

// Every delay, timer and "later on the main loop" of the program goes through
// a Scheduler, so tests can run them on virtual time.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Monotonic time since the scheduler started.
    virtual Duration now() const = 0;
    // Wall-clock time, for what the user reads (clock, calendar, file names).
    virtual QDateTime currentDateTime() const = 0;

    // Runs fn once after delay, unless context is destroyed first or the task is cancelled.
    virtual ScheduledTask after(Duration delay, QObject* context, std::function<void()> fn) = 0;
    // Runs fn every interval; tolerance lets the implementation coalesce wake-ups.
    virtual ScheduledTask every(Duration interval, Duration tolerance, QObject* context,
                                std::function<void()> fn) = 0;
    // Runs fn on a later turn of the main loop.
    virtual void post(QObject* context, std::function<void()> fn) = 0;

    // The scheduler the program runs on; tests build their own.
    static Scheduler& shared();
    static void setShared(Scheduler* scheduler);
};

// Scheduler on Qt's event loop.
class QtScheduler : public QObject, public Scheduler {
    Q_OBJECT
public:
    QtScheduler();
    Duration now() const override;
    QDateTime currentDateTime() const override;
    ScheduledTask after(Duration delay, QObject* context, std::function<void()> fn) override;
    ScheduledTask every(Duration interval, Duration tolerance, QObject* context,
                        std::function<void()> fn) override;
    void post(QObject* context, std::function<void()> fn) override;

private:
    ScheduledTask start(Duration interval, Duration tolerance, bool repeating, QObject* context,
                        std::function<void()> fn);
    std::chrono::steady_clock::time_point started_;
};

} // namespace vantorel
