#pragma once

// What the benchmarks on a private desktop share: the desktop with the taskbar
// on it, input through XTEST, the time a window is first exposed, and the
// median of a series.
#include "platform/x11/X11Backend.h"
#include "support/PrivateDesktop.h"
#include "support/ProgramOnDesktop.h"
#include "taskbar/TaskbarPanel.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>
#include <xcb/xtest.h>

namespace vantorel::bench {

// A private Xvfb 1440 x 900 with openbox, the installed applications in a
// folder of its own, and the taskbar on the X11 backend with settings and pins in memory.
class BenchDesktop {
public:
    ~BenchDesktop() {
        taskbar.reset();
        if (input)
            xcb_disconnect(input);
    }
    // The desktop, the applications install() writes into the folder it is
    // given, the application object and the backend; false, said why, when one fails.
    bool start(int& argc, char** argv, const std::function<void(const QString&)>& install) {
        qunsetenv("QT_QPA_PLATFORM");
        QString error;
        if (!desktop.start(QStringLiteral("1440x900"), &error))
            return failed("cannot start the private desktop: " + error);
        QDir().mkpath(data.filePath("home/applications"));
        install(data.filePath("home/applications"));
        qputenv("XDG_DATA_HOME", data.filePath("home").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", data.filePath("system").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", data.filePath("config").toLocal8Bit());
        app = std::make_unique<QApplication>(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        backend = X11Backend::create(backendTime, QCoreApplication::applicationPid());
        input = xcb_connect(nullptr, nullptr);
        return backend ? true : failed("no X11 backend");
    }
    // The taskbar on this time, once it stands at the bottom of the screen.
    bool startTaskbar(Scheduler& time) {
        taskbar.emplace(backend->platform());
        taskbar->startTaskbar(time);
        controller = taskbar->controller.get();
        QWidget* panel = controller->window();
        const int bottom = QGuiApplication::primaryScreen()->geometry().height() - 55;
        return test::waitUntil(
                   [&] {
                       return panel->windowHandle() && panel->windowHandle()->isExposed() &&
                              panel->geometry().y() == bottom;
                   },
                   15000) ||
               failed("the taskbar did not come up");
    }
    // The pointer to a point of the screen, and a click of the left button there.
    void movePointer(QPoint at) {
        xcb_test_fake_input(input, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, XCB_NONE, static_cast<int16_t>(at.x()),
                            static_cast<int16_t>(at.y()), 0);
        xcb_flush(input);
    }
    void clickAt(QPoint at) {
        movePointer(at);
        xcb_test_fake_input(input, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(input, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(input);
    }
    static bool failed(const QString& why) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return false;
    }

    test::PrivateDesktop desktop;
    QTemporaryDir data;
    std::unique_ptr<QApplication> app;
    QtScheduler backendTime;
    std::unique_ptr<X11Backend> backend;
    xcb_connection_t* input = nullptr;
    std::optional<test::TaskbarOnDesktop> taskbar;
    TaskbarWindowController* controller = nullptr;
};

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
