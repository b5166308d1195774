#include "core/ManualScheduler.h"

#include <algorithm>

namespace vantorel {

ManualScheduler::ManualScheduler(QDateTime wallClockStart) : wallStart_(std::move(wallClockStart)) {}

QDateTime ManualScheduler::currentDateTime() const { return wallStart_.addMSecs(now_.count()); }

ScheduledTask ManualScheduler::add(Duration delay, Duration interval, QObject* context, std::function<void()> fn) {
    auto e = std::make_shared<Entry>();
    e->state = std::make_shared<ScheduledTask::State>();
    e->due = now_ + std::max(delay, Duration(0));
    e->interval = interval;
    e->context = context;
    e->hadContext = context != nullptr;
    e->fn = std::move(fn);
    e->order = nextOrder_++;
    entries_.push_back(e);
    return ScheduledTask(e->state);
}

ScheduledTask ManualScheduler::after(Duration delay, QObject* context, std::function<void()> fn) {
    return add(delay, 0ms, context, std::move(fn));
}

ScheduledTask ManualScheduler::every(Duration interval, Duration, QObject* context, std::function<void()> fn) {
    return add(interval, std::max(interval, Duration(1)), context, std::move(fn));
}

void ManualScheduler::post(QObject* context, std::function<void()> fn) { add(0ms, 0ms, context, std::move(fn)); }

void ManualScheduler::prune() {
    std::erase_if(entries_, [](const std::shared_ptr<Entry>& e) {
        return e->state->cancelled || e->state->finished || (e->hadContext && !e->context);
    });
}

void ManualScheduler::advance(Duration by) {
    const Duration target = now_ + std::max(by, Duration(0));
    for (;;) {
        prune();
        auto next = std::min_element(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) {
            return a->due != b->due ? a->due < b->due : a->order < b->order;
        });
        if (next == entries_.end() || (*next)->due > target)
            break;
        auto entry = *next;
        now_ = std::max(now_, entry->due);
        if (entry->interval.count() > 0) {
            entry->due += entry->interval;
            entry->order = nextOrder_++;
        } else {
            entry->state->finished = true;
        }
        entry->fn();
    }
    now_ = target;
    prune();
}

int ManualScheduler::pendingCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) {
        return !e->state->cancelled && !e->state->finished && (!e->hadContext || e->context);
    }));
}

int ManualScheduler::repeatingCount() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const auto& e) {
        return e->interval.count() > 0 && !e->state->cancelled && (!e->hadContext || e->context);
    }));
}

} // namespace vantorel
