#include "platform/x11/X11Screens.h"

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QScreen>
#include <xcb/randr.h>

namespace vantorel {

X11Screens::X11Screens(X11Connection& x, QObject* parent) : Screens(parent), x_(x) {
    refreshOutputs();
    for (auto* s : QGuiApplication::screens())
        watch(s);
    auto* app = static_cast<QGuiApplication*>(QGuiApplication::instance());
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* s) {
        watch(s);
        refreshOutputs();
        Q_EMIT parametersChanged();
    });
    connect(app, &QGuiApplication::screenRemoved, this, [this] {
        refreshOutputs();
        Q_EMIT parametersChanged();
    });
    connect(app, &QGuiApplication::primaryScreenChanged, this, &Screens::parametersChanged);
}

void X11Screens::watch(QScreen* s) {
    connect(s, &QScreen::geometryChanged, this, &Screens::parametersChanged);
    connect(s, &QScreen::availableGeometryChanged, this, &Screens::parametersChanged);
}

void X11Screens::refreshOutputs() {
    outputByName_.clear();
    auto* c = x_.connection();
    auto res = xreply(xcb_randr_get_screen_resources_current_reply(
        c, xcb_randr_get_screen_resources_current(c, x_.root()), nullptr));
    if (!res)
        return;
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(res.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(res.get());
    std::vector<xcb_randr_get_output_info_cookie_t> cookies;
    for (int i = 0; i < count; ++i)
        cookies.push_back(xcb_randr_get_output_info(c, outputs[i], res->config_timestamp));
    for (int i = 0; i < count; ++i) {
        auto info = xreply(xcb_randr_get_output_info_reply(c, cookies[i], nullptr));
        if (!info)
            continue;
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                                               xcb_randr_get_output_info_name_length(info.get()));
        outputByName_.insert(name, outputs[i]);
    }
}

std::vector<Display> X11Screens::displays() const {
    const ScreenSpace space = ScreenSpace::fromPrimaryScreen();
    std::vector<Display> out;
    for (auto* s : QGuiApplication::screens()) {
        Display d;
        if (auto it = outputByName_.constFind(s->name()); it != outputByName_.constEnd())
            d.displayNumber = *it;
        d.frame = space.fromQt(s->geometry());
        d.visibleFrame = space.fromQt(s->availableGeometry());
        out.push_back(d);
    }
    return out;
}

std::optional<quint32> X11Screens::mainDisplayId() const {
    auto* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return std::nullopt;
    if (auto it = outputByName_.constFind(primary->name()); it != outputByName_.constEnd())
        return *it;
    return std::nullopt;
}

} // namespace vantorel
