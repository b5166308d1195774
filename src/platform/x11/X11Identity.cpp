#include "platform/x11/X11Identity.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

namespace vantorel {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Accounts");
const QString kUserInterface = QStringLiteral("org.freedesktop.Accounts.User");
} // namespace

X11Identity::X11Identity(QDBusConnection bus, uint uid, QObject* parent)
    : Identity(parent), bus_(std::move(bus)), uid_(uid) {
    findUser();
}

uint X11Identity::currentUid() {
    return ::getuid();
}

QString X11Identity::fullNameFromGecos(const QString& gecos) {
    return gecos.section(u',', 0, 0).trimmed();
}

void X11Identity::findUser() {
    if (!bus_.isConnected())
        return;
    auto call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Accounts"), kService,
                                               QStringLiteral("FindUserById"));
    call << qint64(uid_);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        // Without AccountsService (or without a record) the passwd entry stands.
        if (reply.isError())
            return;
        userPath_ = reply.value().path();
        bus_.connect(kService, userPath_, kUserInterface, QStringLiteral("Changed"), this, SLOT(userChanged()));
        readUser(false);
    });
}

void X11Identity::userChanged() {
    // The picture may have been rewritten under the same file name.
    readUser(true);
}

void X11Identity::readUser(bool announceAlways) {
    if (userPath_.isEmpty())
        return;
    auto call = QDBusMessage::createMethodCall(kService, userPath_, QStringLiteral("org.freedesktop.DBus.Properties"),
                                               QStringLiteral("GetAll"));
    call << kUserInterface;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, announceAlways](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (reply.isError())
            return;
        const QVariantMap properties = reply.value();
        const QString name = properties.value(QStringLiteral("RealName")).toString();
        const QString icon = properties.value(QStringLiteral("IconFile")).toString();
        if (name == realName_ && icon == iconFile_ && !announceAlways)
            return;
        realName_ = name;
        iconFile_ = icon;
        Q_EMIT currentUserChanged();
    });
}

std::optional<UserIdentity> X11Identity::currentUser() const {
    UserIdentity id;
    id.fullName = realName_;
    if (id.fullName.isEmpty())
        if (const passwd* pw = ::getpwuid(uid_))
            id.fullName = fullNameFromGecos(QString::fromLocal8Bit(pw->pw_gecos));
    QString iconFile = iconFile_;
    if (iconFile.isEmpty() || !QFileInfo::exists(iconFile))
        iconFile = QDir::homePath() + QStringLiteral("/.face");
    QImage picture(iconFile);
    if (!picture.isNull())
        id.picture = picture;
    return id;
}

} // namespace vantorel
