#include "platform/linux/FreedesktopNotifications.h"

#include "core/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vantorel {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
} // namespace

FreedesktopNotifications::FreedesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    bus_.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint, uint)));
}

void FreedesktopNotifications::post(const UserNotice& notice, QObject* context, std::function<void()> activated) {
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // "default" is the action of a click on the notice itself.
    const QStringList actions =
        notice.actionLabel.isEmpty() ? QStringList() : QStringList{QStringLiteral("default"), notice.actionLabel};
    call << QStringLiteral("Vantorel") << uint(0) << QStringLiteral("vantorel") << notice.title << notice.body
         << actions << QVariantMap() << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    QPointer<QObject> guard(context);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, guard, activated] {
        watcher->deleteLater();
        QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError()) {
            Log::app().info(QStringLiteral("No notification shown: %1").arg(reply.error().message()));
            return;
        }
        if (activated)
            pending_.insert(reply.value(), Pending{guard, activated});
    });
}

void FreedesktopNotifications::actionInvoked(uint id, const QString& actionKey) {
    const auto it = pending_.find(id);
    if (it == pending_.end())
        return;
    const Pending p = *it;
    if (actionKey == QLatin1String("default") && p.context && p.activated)
        p.activated();
}

void FreedesktopNotifications::notificationClosed(uint id, uint) {
    pending_.remove(id);
}

} // namespace vantorel
