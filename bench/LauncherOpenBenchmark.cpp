// Time from a click on the start button to the launcher's popover on screen
// with 300 installed applications: a private Xvfb with openbox, the taskbar
// on the X11 backend, the click sent through XTEST. The launcher reads the
// installed applications on every opening, so each opening pays for that.
// Prints every opening, then the median and the worst; the goal is 50 ms.
//
//   bench_launcher_open [openings]     (default 20)
#include "DesktopBench.h"
#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/ManualScheduler.h"
#include "core/Scheduler.h"
#include "platform/sim/SimDesktop.h"
#include "platform/x11/X11Backend.h"
#include "support/PrivateDesktop.h"
#include "support/ProgramOnDesktop.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TaskbarWindowController.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/Popover.h"
#include "widgets/StartButtonView.h"
#include "windows/UpdateService.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <xcb/xtest.h>

using namespace vantorel;
using vantorel::test::waitUntil;

namespace {

// Installed applications as a distribution has them: names, generic names,
// keywords, icons by theme name; the folders are old, as installed ones are.
void installApplications(const QString& dir, int count) {
    QDir().mkpath(dir);
    const char* icons[] = {"utilities-terminal",  "accessories-text-editor", "web-browser",       "mail-client",
                           "system-file-manager", "applications-games",      "multimedia-player", "office-calendar"};
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/org.example.Generated%2.desktop").arg(dir).arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Generated App %1\nName[de]=Erzeugte App %1\n"
                               "GenericName=Tool number %1\nKeywords=generated;sample;app%1;\nExec=true %U\n"
                               "Icon=%2\nCategories=Utility;\n")
                    .arg(i)
                    .arg(QString::fromLatin1(icons[i % std::size(icons)]))
                    .toUtf8());
    }
    const timespec past[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(dir).constData(), past, 0);
}

void clickAt(xcb_connection_t* c, QPoint at) {
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, XCB_NONE, static_cast<int16_t>(at.x()),
                        static_cast<int16_t>(at.y()), 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
}

} // namespace

int main(int argc, char** argv) {
    const int openings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    qunsetenv("QT_QPA_PLATFORM");
    vantorel::test::PrivateDesktop desktop;
    QString error;
    if (!desktop.start(QStringLiteral("1440x900"), &error)) {
        std::fprintf(stderr, "cannot start the private desktop: %s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir data;
    installApplications(data.filePath("home/applications"), 300);
    qputenv("XDG_DATA_HOME", data.filePath("home").toLocal8Bit());
    qputenv("XDG_DATA_DIRS", data.filePath("system").toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", data.filePath("config").toLocal8Bit());

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QtScheduler backendTime;
    auto backend = X11Backend::create(backendTime, QCoreApplication::applicationPid());
    if (!backend) {
        std::fprintf(stderr, "no X11 backend\n");
        return 1;
    }
    SimDesktop sim;
    Platform platform = vantorel::test::withProgramIn(backend->platform(), sim);
    PersistenceService persistence(sim.memoryDefaults, "com.vantorel.app", *platform.workspace);
    SettingsService settings(persistence);
    ThemeService theme(*platform.theme);
    UpdateService updates;
    QuitConfirmation quit(sim, [] {});
    // The taskbar's own timers stand still: only the clicks open and close the launcher.
    ManualScheduler taskbarTime;
    TaskbarWindowController controller({platform, taskbarTime, settings, theme, updates, quit, &persistence});
    controller.showWindow();
    QWidget* panel = controller.window();
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();
    if (!waitUntil(
            [&] {
                return panel->windowHandle() && panel->windowHandle()->isExposed() &&
                       panel->geometry().y() == screenHeight - 55;
            },
            15000)) {
        std::fprintf(stderr, "the taskbar did not come up\n");
        return 1;
    }
    StartButtonView* start = controller.taskbarView(*controller.primaryScreenID())->startBtn();
    const QPoint startCentre = start->mapToGlobal(start->rect().center());

    xcb_connection_t* input = xcb_connect(nullptr, nullptr);
    vantorel::bench::ExposeClock clock;
    clock.watched = [&]() -> QWindow* {
        auto* l = controller.launcher();
        return l && l->popover() ? l->popover()->windowHandle() : nullptr;
    };
    app.installEventFilter(&clock);

    std::vector<double> times;
    for (int i = 0; i < openings; ++i) {
        QElapsedTimer since;
        clock.arm(&since);
        since.start();
        clickAt(input, startCentre);
        if (!waitUntil([&] { return clock.exposedAtMs >= 0; }, 10000)) {
            std::fprintf(stderr, "opening %d: the launcher did not appear\n", i + 1);
            return 1;
        }
        times.push_back(clock.exposedAtMs);
        std::printf("opening %2d: %6.1f ms (%zu applications)\n", i + 1, clock.exposedAtMs,
                    controller.launcher()->allApps().size());
        // A second click closes it; let the window manager see it go before the next one.
        clickAt(input, startCentre);
        waitUntil([&] { return !controller.isLauncherOpen(); }, 10000);
        waitUntil([] { return false; }, 150);
    }
    std::printf("click to launcher on screen, %d openings: median %.1f ms, worst %.1f ms (goal: under 50 ms)\n",
                openings, vantorel::bench::median(times), vantorel::bench::worst(times));
    xcb_disconnect(input);
    controller.teardown();
    return 0;
}
