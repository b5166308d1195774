#include "platform/sim/SimDemo.h"

#include "platform/sim/SimDesktop.h"

#include <QCursor>
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

} // namespace vantorel
