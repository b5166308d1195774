#pragma once

#include "platform/UserNotifications.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>

namespace vantorel {

// Desktop notices through org.freedesktop.Notifications on the session bus.
// Without a notification server the notice is logged and dropped.
class FreedesktopNotifications : public QObject, public UserNotifications {
    Q_OBJECT
public:
    explicit FreedesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    void post(const UserNotice& notice, QObject* context, std::function<void()> activated) override;

private Q_SLOTS:
    void actionInvoked(uint id, const QString& actionKey);
    void notificationClosed(uint id, uint reason);

private:
    struct Pending {
        QPointer<QObject> context;
        std::function<void()> activated;
    };
    QDBusConnection bus_;
    QHash<uint, Pending> pending_;
};

} // namespace vantorel
