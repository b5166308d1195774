#include "support/FakeDesktopServices.h"

namespace vantorel::test {

void FakeFileManager::ShowItems(const QStringList& uris, const QString&) {
    if (onCall)
        onCall(QStringLiteral("ShowItems ") + uris.join(u' '));
}

void FakeFileManager::ShowFolders(const QStringList& uris, const QString&) {
    if (onCall)
        onCall(QStringLiteral("ShowFolders ") + uris.join(u' '));
}

uint FakeNotificationServer::Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                                    const QStringList& actions, const QVariantMap&, int) {
    notices.append({summary, body, actions});
    if (onCall)
        onCall(QStringLiteral("Notify %1|%2|%3").arg(summary, body, actions.join(u',')));
    return uint(notices.size());
}

QStringList FakeNotificationServer::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

void FakeNotificationServer::CloseNotification(uint id) {
    Q_EMIT NotificationClosed(id, 3);
}

void FakeNotificationServer::invoke(uint id, const QString& action) {
    Q_EMIT ActionInvoked(id, action);
}

bool registerFakeDesktopServices(QDBusConnection bus, FakeFileManager& files, FakeNotificationServer& notices) {
    return bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &files,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.FileManager1")) &&
           bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notices,
                              QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals) &&
           bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

} // namespace vantorel::test
