// Plays the program for the crash-restore test: hides the simulated Dock kept
// in a file, starts the real crash-restore monitor, prints "ready PID" with the
// monitor's process id, then waits to be killed.
//
// Arguments: DOCK_FILE DEFAULTS_DIR TOOLS_DIR
#include "app/DockService.h"
#include "platform/common/FileDefaultsStore.h"
#include "platform/linux/PosixProcessRunner.h"
#include "platform/sim/SimDock.h"

#include <QCoreApplication>
#include <cstdio>

using namespace vantorel;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: dock_host DOCK_FILE DEFAULTS_DIR TOOLS_DIR\n");
        return 2;
    }
    SimDock dock;
    dock.storeIn(args[1]);
    FileDefaultsStore defaults(args[2]);
    PosixProcessRunner runner;
    const QString tools = args[3] + u'/';
    DockService service(&dock, runner, defaults, QStringLiteral("com.vantorel.app"),
                        DockTools{tools + QStringLiteral("defaults"), tools + QStringLiteral("killall"),
                                  tools + QStringLiteral("launchctl"), QStringLiteral("/bin/sh")});

    service.hideDock();
    auto monitor = service.startRestoreMonitor();
    if (!monitor || monitor->pid() == 0) {
        std::fprintf(stderr, "monitor did not start: %s\n", monitor ? qPrintable(monitor->startError()) : "no Dock");
        return 1;
    }
    std::printf("ready %lld\n", static_cast<long long>(monitor->pid()));
    std::fflush(stdout);

    return app.exec();
}
