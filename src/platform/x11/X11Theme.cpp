#include "platform/x11/X11Theme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace vantorel {

namespace {
const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

QVariant unwrap(QVariant v) {
    // The portal wraps the value in one or two variants depending on its version.
    while (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        v = v.value<QDBusVariant>().variant();
    return v;
}
} // namespace

X11Theme::X11Theme(QDBusConnection bus, QObject* parent) : Theme(parent) {
    if (bus.isConnected()) {
        // The slot is found by its parameter types' names, which QtDBus knows
        // only once registered; unregistered, the subscription silently fails.
        qRegisterMetaType<QDBusVariant>();
        bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                    SLOT(onSettingChanged(QString, QString, QDBusVariant)));
        auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
        call << kGroup << kKey;
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
            w->deleteLater();
            const QDBusMessage reply = w->reply();
            // A change announced meanwhile is newer than this answer.
            if (!changeSeen_ && reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                setPortalScheme(fromColorScheme(unwrap(reply.arguments().constFirst())));
        });
    }
    if (qGuiApp)
        qGuiApp->installEventFilter(this);
    last_ = systemTheme();
}

std::optional<ResolvedTheme> X11Theme::fromColorScheme(const QVariant& value) {
    bool ok = false;
    const uint scheme = unwrap(value).toUInt(&ok);
    if (!ok)
        return std::nullopt;
    if (scheme == 1)
        return ResolvedTheme::Dark;
    if (scheme == 2)
        return ResolvedTheme::Light;
    return std::nullopt;
}

ResolvedTheme X11Theme::systemTheme() const {
    if (portal_)
        return *portal_;
    const QColor window = QGuiApplication::palette().color(QPalette::Window);
    return window.lightness() < 128 ? ResolvedTheme::Dark : ResolvedTheme::Light;
}

void X11Theme::onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value) {
    if (group != kGroup || key != kKey)
        return;
    changeSeen_ = true;
    setPortalScheme(fromColorScheme(value.variant()));
}

void X11Theme::setPortalScheme(std::optional<ResolvedTheme> scheme) {
    portal_ = scheme;
    const ResolvedTheme now = systemTheme();
    if (now != last_) {
        last_ = now;
        Q_EMIT systemThemeChanged();
    }
}

bool X11Theme::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qGuiApp && event->type() == QEvent::ApplicationPaletteChange && !portal_)
        setPortalScheme(std::nullopt);
    return Theme::eventFilter(watched, event);
}

} // namespace vantorel
