#include "platform/linux/LogindSessionNotices.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace vantorel {

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kActive = QStringLiteral("Active");

QVariant unwrap(QVariant v) {
    if (v.userType() == qMetaTypeId<QDBusVariant>())
        return v.value<QDBusVariant>().variant();
    return v;
}
} // namespace

LogindSessionNotices::LogindSessionNotices(QDBusConnection bus, QString sessionId, uint pid, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), sessionId_(std::move(sessionId)), pid_(pid) {
    if (!bus_.isConnected())
        return;
    bus_.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                 SLOT(prepareForSleep(bool)));
    findSession();
}

LogindSessionNotices::LogindSessionNotices(QObject* parent)
    : LogindSessionNotices(QDBusConnection::systemBus(), qEnvironmentVariable("XDG_SESSION_ID"),
                           static_cast<uint>(QCoreApplication::applicationPid()), parent) {}

void LogindSessionNotices::findSession() {
    auto call =
        sessionId_.isEmpty()
            ? QDBusMessage::createMethodCall(kService, kManagerPath, kManager, QStringLiteral("GetSessionByPID"))
            : QDBusMessage::createMethodCall(kService, kManagerPath, kManager, QStringLiteral("GetSession"));
    if (sessionId_.isEmpty())
        call << pid_;
    else
        call << sessionId_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        // No logind, or a process outside any session: there is nothing to follow.
        if (reply.isError())
            return;
        sessionPath_ = reply.value().path();
        bus_.connect(kService, sessionPath_, kProperties, QStringLiteral("PropertiesChanged"), this,
                     SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
        readActive();
        Q_EMIT sessionFound();
    });
}

void LogindSessionNotices::readActive() {
    auto call = QDBusMessage::createMethodCall(kService, sessionPath_, kProperties, QStringLiteral("Get"));
    call << kSession << kActive;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (!reply.isError())
            setActive(unwrap(reply.value().variant()).toBool(), false);
    });
}

void LogindSessionNotices::prepareForSleep(bool sleeping) {
    if (sleeping) {
        Q_EMIT willSleep();
    } else {
        Q_EMIT didWake();
    }
}

void LogindSessionNotices::sessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                                    const QStringList& invalidated) {
    if (interface != kSession)
        return;
    if (auto it = changed.constFind(kActive); it != changed.constEnd())
        setActive(unwrap(*it).toBool(), true);
    else if (invalidated.contains(kActive))
        readActive();
}

void LogindSessionNotices::setActive(bool active, bool announce) {
    if (active_ == active)
        return;
    // The first reading only sets where the session stands.
    const bool known = active_.has_value();
    active_ = active;
    if (!known && !announce)
        return;
    if (active)
        Q_EMIT sessionDidBecomeActive();
    else
        Q_EMIT sessionDidResignActive();
}

} // namespace vantorel
