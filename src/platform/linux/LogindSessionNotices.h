#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <optional>

namespace vantorel {

// Sleep, wake and session notices from logind: the manager's PrepareForSleep
// signal and the Active property of this process's session. Nothing waits for
// logind; without a system bus or without logind no notice ever comes.
class LogindSessionNotices : public QObject {
    Q_OBJECT
public:
    // sessionId: logind's id of the session (XDG_SESSION_ID); when empty,
    // logind is asked for the session of the process pid.
    LogindSessionNotices(QDBusConnection bus, QString sessionId, uint pid, QObject* parent = nullptr);
    // On the system bus, for this process.
    explicit LogindSessionNotices(QObject* parent = nullptr);

    // logind's object of the session, once it has answered.
    const QString& sessionPath() const { return sessionPath_; }
    std::optional<bool> isActive() const { return active_; }

    static constexpr int kTimeoutMs = 5000;

Q_SIGNALS:
    void willSleep();
    void didWake();
    void sessionDidBecomeActive();
    void sessionDidResignActive();
    // The session's object was found (tests wait for it).
    void sessionFound();

private Q_SLOTS:
    void prepareForSleep(bool sleeping);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void findSession();
    void readActive();
    void setActive(bool active, bool announce);

    QDBusConnection bus_;
    QString sessionId_;
    uint pid_;
    QString sessionPath_;
    std::optional<bool> active_;
};

} // namespace vantorel
