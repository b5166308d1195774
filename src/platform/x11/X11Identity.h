#pragma once

#include "platform/Identity.h"

#include <QDBusConnection>
#include <QString>

namespace vantorel {

// The user's name and picture: AccountsService's record when it has answered,
// else the passwd entry and ~/.face. AccountsService is asked once, without
// waiting, and again whenever it announces a change of the record; each
// answer that changes the identity is announced.
class X11Identity : public Identity {
    Q_OBJECT
public:
    explicit X11Identity(QDBusConnection bus = QDBusConnection::systemBus(), uint uid = currentUid(),
                         QObject* parent = nullptr);
    std::optional<UserIdentity> currentUser() const override;

    static QString fullNameFromGecos(const QString& gecos);
    static uint currentUid();
    // How long one question to AccountsService may stay unanswered.
    static constexpr int kTimeoutMs = 5000;

private Q_SLOTS:
    void userChanged();

private:
    void findUser();
    void readUser(bool announceAlways);

    QDBusConnection bus_;
    uint uid_;
    QString userPath_;
    QString realName_;
    QString iconFile_;
};

} // namespace vantorel
