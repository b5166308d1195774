#include "platform/linux/LogindSessionNotices.h"
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/_3");

// logind's manager as far as the notices use it.
class FakeLogindManager : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogindManager(QObject* host) : QDBusAbstractAdaptor(host) {}
    QStringList calls;

public Q_SLOTS:
    QDBusObjectPath GetSession(const QString& id) {
        calls << QStringLiteral("GetSession ") + id;
        return QDBusObjectPath(kSessionPath);
    }

Q_SIGNALS:
    void PrepareForSleep(bool start);
};

class FakeLogindSession : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool Active READ active)
public:
    explicit FakeLogindSession(QObject* host) : QDBusAbstractAdaptor(host) {}
    bool active() const { return active_; }
    bool active_ = true;
};

// logind on a bus of the test's own: a manager and one session.
struct FakeLogind {
    QDBusConnection bus;
    QObject managerObject, sessionObject;
    FakeLogindManager* manager = new FakeLogindManager(&managerObject);
    FakeLogindSession* session = new FakeLogindSession(&sessionObject);

    explicit FakeLogind(QDBusConnection connection) : bus(std::move(connection)) {
        bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &managerObject, QDBusConnection::ExportAdaptors);
        bus.registerObject(kSessionPath, &sessionObject, QDBusConnection::ExportAdaptors);
        bus.registerService(QStringLiteral("org.freedesktop.login1"));
    }
    // As logind announces it: the new value, or only that it changed.
    void setActive(bool active, bool withValue = true) {
        session->active_ = active;
        auto signal = QDBusMessage::createSignal(kSessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                 QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.freedesktop.login1.Session");
        if (withValue)
            signal << QVariantMap{{QStringLiteral("Active"), active}} << QStringList();
        else
            signal << QVariantMap() << QStringList{QStringLiteral("Active")};
        bus.send(signal);
    }
};

using LogindTest = BusTest;

} // namespace

TEST_F(LogindTest, SleepWakeAndSessionNoticesArrive) {
    FakeLogind logind(bus.connect(QStringLiteral("logind")));
    QDBusConnection client = bus.connect(QStringLiteral("client"));
    LogindSessionNotices notices(client, QStringLiteral("3"), 4242);
    // logind answers on this very thread: a lookup that waited would never see it.
    EXPECT_TRUE(notices.sessionPath().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return notices.isActive().has_value(); }, 10000));
    EXPECT_EQ(notices.sessionPath(), kSessionPath);
    EXPECT_EQ(logind.manager->calls, QStringList{QStringLiteral("GetSession 3")});

    QSignalSpy sleep(&notices, &LogindSessionNotices::willSleep), wake(&notices, &LogindSessionNotices::didWake),
        active(&notices, &LogindSessionNotices::sessionDidBecomeActive),
        resigned(&notices, &LogindSessionNotices::sessionDidResignActive);
    Q_EMIT logind.manager->PrepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return sleep.count() == 1; }, 10000));
    EXPECT_EQ(wake.count(), 0);
    Q_EMIT logind.manager->PrepareForSleep(false);
    ASSERT_TRUE(waitUntil([&] { return wake.count() == 1; }, 10000));

    logind.setActive(false);
    ASSERT_TRUE(waitUntil([&] { return resigned.count() == 1; }, 10000));
    logind.setActive(true, false);
    ASSERT_TRUE(waitUntil([&] { return active.count() == 1; }, 10000));
    // The same state again is no change. Signals keep their order: once the
    // next notice is through, the repeated state has been seen too.
    logind.setActive(true);
    Q_EMIT logind.manager->PrepareForSleep(true);
    ASSERT_TRUE(waitUntil([&] { return sleep.count() == 2; }, 10000));
    EXPECT_EQ(active.count(), 1);
    EXPECT_EQ(resigned.count(), 1);
}

#include "LogindSessionNoticesTest.moc"
