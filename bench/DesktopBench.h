#pragma once

// What the benchmarks on a private desktop share: the time a window is first
// exposed, and the median of a series.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <vector>

namespace vantorel::bench {

// Remembers when the watched window is first exposed after arm(); installed
// as an application-wide event filter.
class ExposeClock : public QObject {
public:
    void arm(QElapsedTimer* since) {
        since_ = since;
        exposedAtMs = -1;
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Expose && since_ && since_->isValid() && exposedAtMs < 0 && o->isWindowType()) {
            auto* w = static_cast<QWindow*>(o);
            if (w->isExposed() && watched && w == watched())
                exposedAtMs = since_->nsecsElapsed() / 1e6;
        }
        return false;
    }
    // The window to watch, looked up at each expose (it may not exist when armed).
    std::function<QWindow*()> watched;
    double exposedAtMs = -1;

private:
    QElapsedTimer* since_ = nullptr;
};

// Runs the event loop until done() holds, blocked while nothing happens:
// unlike the tests' polling, no sleep between two turns delays a measured event.
inline bool waitInEventLoop(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    QTimer wake; // so that the time-out is seen while nothing else happens
    wake.start(10);
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

inline double worst(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

} // namespace vantorel::bench
