#include "platform/sim/SimDemo.h"

#include "platform/sim/SimDesktop.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

namespace vantorel {

namespace {
void sync(SimDesktop& desktop, int requested) {
    const ScreenSpace space = ScreenSpace::fromPrimaryScreen();
    std::vector<Display> displays;
    quint32 number = 1;
    const auto screens = QGuiApplication::screens();
    if (requested > screens.size() && !screens.isEmpty()) {
        QRect all;
        for (auto* s : screens)
            all = all.united(s->geometry());
        const int width = all.width() / requested;
        for (int i = 0; i < requested; ++i) {
            const Rect frame = space.fromQt(QRectF(all.x() + i * width, all.y(), width, all.height()));
            displays.push_back({number++, frame, frame});
        }
    } else {
        for (auto* s : screens)
            displays.push_back({number++, space.fromQt(s->geometry()), space.fromQt(s->availableGeometry())});
    }
    std::optional<quint32> main;
    if (!displays.empty())
        main = displays.front().displayNumber;
    if (displays != desktop.displays())
        desktop.setDisplays(std::move(displays), main);
}
} // namespace

void mirrorQtScreens(SimDesktop& desktop, int requested) {
    sync(desktop, requested);
    auto resync = [&desktop, requested] { sync(desktop, requested); };
    auto watch = [&desktop, resync](QScreen* s) {
        QObject::connect(s, &QScreen::geometryChanged, &desktop.screens, resync);
        QObject::connect(s, &QScreen::availableGeometryChanged, &desktop.screens, resync);
    };
    for (auto* s : QGuiApplication::screens())
        watch(s);
    auto* app = static_cast<QGuiApplication*>(QGuiApplication::instance());
    QObject::connect(app, &QGuiApplication::screenAdded, &desktop.screens, [watch, resync](QScreen* s) {
        watch(s);
        resync();
    });
    QObject::connect(app, &QGuiApplication::screenRemoved, &desktop.screens, resync);
    QObject::connect(app, &QGuiApplication::primaryScreenChanged, &desktop.screens, resync);
}

void followQtPointer(SimDesktop& desktop) {
    desktop.pointerSource = [] { return ScreenSpace::fromPrimaryScreen().fromQt(QPointF(QCursor::pos())); };
}

void installDemoApplications(SimDesktop& desktop, const QString& root) {
    const QString applications = root + QStringLiteral("/Applications");
    desktop.applicationFolders = {applications};
    desktop.fileBrowserBundle = root + QStringLiteral("/System/Library/CoreServices/Finder.app");
    QDir().mkpath(desktop.fileBrowserBundle);
    desktop.install(QStringLiteral("com.apple.finder"), desktop.fileBrowserBundle);
    const std::pair<const char*, const char*> apps[] = {
        {"com.apple.Safari", "Safari"},
        {"com.apple.mail", "Mail"},
        {"com.apple.systempreferences", "System Settings"},
        {"com.apple.Terminal", "Utilities/Terminal"},
        {"com.apple.Notes", "Notes"},
        {"com.apple.calculator", "Calculator"},
        {"com.apple.TextEdit", "TextEdit"},
        {"com.apple.Preview", "Preview"},
        {"com.apple.iCal", "Calendar"},
        {"com.apple.Photos", "Photos"},
        {"com.apple.Music", "Music"},
        {"com.apple.Maps", "Maps"},
        {"com.apple.reminders", "Reminders"},
        {"com.apple.ActivityMonitor", "Utilities/Activity Monitor"},
    };
    for (const auto& [id, name] : apps) {
        const QString location = applications + u'/' + QString::fromUtf8(name) + QStringLiteral(".app");
        QDir().mkpath(location);
        desktop.install(QString::fromUtf8(id), location);
    }
}

} // namespace vantorel
