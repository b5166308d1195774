#include "account/AccountService.h"
#include "app/AppDelegate.h"
#include "app/AppInfo.h"
#include "app/CommandLine.h"
#include "app/DockService.h"
#include "app/LaunchAtLoginService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/Log.h"
#include "core/Scheduler.h"
#include "platform/common/DesktopServices.h"
#include "platform/common/FileDefaultsStore.h"
#include "platform/common/SignalQuitter.h"
#include "platform/linux/DesktopPermissions.h"
#include "platform/linux/FreedesktopNotifications.h"
#include "platform/linux/GStreamerAudio.h"
#include "platform/linux/OsRelease.h"
#include "platform/linux/PackageKitInstaller.h"
#include "platform/linux/PocketsphinxRecognizer.h"
#include "platform/linux/PosixProcessRunner.h"
#include "platform/linux/SecretServiceKeychain.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/sim/SimDemo.h"
#include "platform/sim/SimDesktop.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11ClickMonitor.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11PanelHost.h"
#include "platform/x11/X11RawInput.h"
#include "recording/AddOnService.h"
#include "recording/RecordingService.h"
#include "windows/ChangelogWindowController.h"
#include "windows/UpdateService.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <vector>
#include <unistd.h>

using namespace vantorel;

int main(int argc, char* argv[]) {
    // Before anything writes to standard error, which may be a closed pipe.
    SignalQuitter::survivePipeErrors();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto parsed = parseCommandLine(args);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "vantorel: %s\n\n%s", qPrintable(parsed.error), qPrintable(usageText()));
        return 2;
    }
    const auto& options = parsed.options;
    if (options.help) {
        std::fputs(qPrintable(usageText()), stdout);
        return 0;
    }
    if (options.version) {
        ResourceBundleInfo bundle;
        std::printf("Vantorel %s\n", qPrintable(AppInfo::version(bundle)));
        return 0;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "vantorel: no X11 display ($DISPLAY is not set).\n"
                     "Start it inside an X11 session, or run scripts/run, which starts a private X server\n"
                     "and shows the taskbar on the simulated desktop (--platform sim).\n");
        return 2;
    }

    // Qt reads "--platform" as its own option: hand it only the arguments that are not ours.
    std::vector<char*> qtArgv{argv[0]};
    for (int i = 1; i < argc; ++i)
        if (!parsed.consumed.contains(i - 1))
            qtArgv.push_back(argv[i]);
    int qtArgc = static_cast<int>(qtArgv.size());
    qtArgv.push_back(nullptr);
    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("vantorel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantorel"));
    QApplication::setDesktopFileName(QStringLiteral("vantorel"));
    QApplication::setQuitOnLastWindowClosed(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());

    QtScheduler scheduler;
    Scheduler::setShared(&scheduler);
    FileDefaultsStore defaults(options.defaultsDir.value_or(FileDefaultsStore::defaultDirectory()));
    MessageBoxAlerts alerts;
    ResourceBundleInfo bundle;
    SystemSound sound;
    LockFileInstanceGuard instances;
    PosixProcessRunner processes;
    XdgAutostartLoginItems loginItems(bundle.executablePath());
    SystemdUserAgent launchAgent(processes);
    // The microphone, speech and notices are the real ones on the simulated desktop too.
    GStreamerAudioRecorder recorder;
    PocketsphinxRecognizer speech;
    DesktopPermissions permissions;
    FreedesktopNotifications notifications;
    SecretServiceKeychain keychain;
    OsReleaseSystemInfo system;
    PackageKitInstaller packageInstaller;

    const bool onX11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const QString chosen = options.platform.value_or(onX11 ? QStringLiteral("x11") : QStringLiteral("sim"));
    SimDesktop sim;
    std::unique_ptr<QTemporaryDir> simApplications; // the demo's installed applications, gone at exit
    std::unique_ptr<X11Backend> x11;
    X11PanelHost panelHost;
    std::unique_ptr<X11Connection> demoConnection;
    std::unique_ptr<X11RawInput> demoRawInput;
    std::unique_ptr<X11ClickMonitor> demoClicks;
    Platform platform;
    if (chosen == QLatin1String("x11")) {
        if (!onX11) {
            std::fprintf(stderr, "vantorel: the x11 platform needs an X11 display (Qt runs on \"%s\")\n",
                         qPrintable(QGuiApplication::platformName()));
            return 2;
        }
        x11 = X11Backend::create(scheduler, QCoreApplication::applicationPid());
        if (!x11) {
            std::fprintf(stderr, "vantorel: cannot connect to the X server on %s\n", qgetenv("DISPLAY").constData());
            return 2;
        }
        platform = x11->platform();
        platform.system = &system;
    } else {
        mirrorQtScreens(sim, options.demoDisplays);
        followQtPointer(sim);
        SimDesktop::populateDemo(sim);
        simApplications = std::make_unique<QTemporaryDir>();
        if (simApplications->isValid())
            installDemoApplications(sim, simApplications->path());
        const bool darkSystem = options.simSystemTheme
                                    ? *options.simSystemTheme == QLatin1String("dark")
                                    : QApplication::palette().color(QPalette::Window).lightness() < 128;
        sim.theme.set(darkSystem ? ResolvedTheme::Dark : ResolvedTheme::Light);
        platform = sim.platform();
        // Our panels are real windows on a real display even on the simulated desktop.
        if (onX11) {
            platform.panels = &panelHost;
            // Real clicks elsewhere close the launcher, as on the real desktop.
            demoConnection = X11Connection::open();
            if (demoConnection) {
                demoRawInput = std::make_unique<X11RawInput>(*demoConnection);
                demoClicks = std::make_unique<X11ClickMonitor>(*demoConnection, *demoRawInput);
                platform.clicks = demoClicks.get();
            }
        }
    }
    platform.defaults = &defaults;
    platform.alerts = &alerts;
    platform.bundle = &bundle;
    platform.sound = &sound;
    platform.instances = &instances;
    // An X display has no system Dock; starting at login is the real session's.
    platform.dock = nullptr;
    platform.processes = &processes;
    platform.loginItems = &loginItems;
    platform.launchAgent = &launchAgent;
    platform.audioRecorder = &recorder;
    platform.speechRecognizer = &speech;
    platform.permissions = &permissions;
    platform.notifications = &notifications;
    // The session token goes to the desktop's keyring on the simulated desktop too.
    platform.keychain = &keychain;
    platform.packageInstaller = &packageInstaller;
    Platform::install(platform);
    Log::app().info(QStringLiteral("Vantorel %1 on the %2 platform, settings in %3")
                        .arg(AppInfo::version(bundle), platform.name, defaults.directory()));

    QuitConfirmation quit(alerts, [] { QCoreApplication::quit(); });
    QuitConfirmation::setShared(&quit);
    SignalQuitter signalQuitter;

    AppDelegate delegate(AppDelegateDependencies{
        platform, scheduler, []() -> SettingsService& { return SettingsService::shared(); }, ThemeService::shared(),
        UpdateService::shared(), quit,
        [](int status) {
            std::fflush(nullptr);
            ::_exit(status);
        },
        &DockService::shared(), &LaunchAtLoginService::shared(), [] { return &RecordingService::shared(); },
        [] { return &AddOnService::shared(); }, [] { return &AccountService::shared(); },
        [] { return &ChangelogWindowController::shared(); }});
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationWillTerminate(); });
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.applicationDidFinishLaunching(); });
    return QApplication::exec();
}
