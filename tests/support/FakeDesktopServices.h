#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>

namespace vantorel::test {

// Stand-ins for the desktop's file manager and notification server on a bus:
// each call is recorded and handed to `onCall` as one line of text.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    std::function<void(const QString&)> onCall;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId);
    void ShowFolders(const QStringList& uris, const QString& startupId);
};

class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::function<void(const QString&)> onCall;
    struct Notice {
        QString summary;
        QString body;
        QStringList actions;
    };
    QList<Notice> notices;
    // Sends ActionInvoked for a notice, as a click on it does.
    void invoke(uint id, const QString& action);

public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    QStringList GetCapabilities();
    void CloseNotification(uint id);

Q_SIGNALS:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);
};

// Registers both under their well-known names and object paths; false when a name is taken.
bool registerFakeDesktopServices(QDBusConnection bus, FakeFileManager& files, FakeNotificationServer& notices);

} // namespace vantorel::test
