#include "platform/x11/X11Identity.h"
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <pwd.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// AccountsService's lookup by user id; it may keep every question unanswered.
class FakeAccounts : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Accounts")
public:
    explicit FakeAccounts(QObject* host) : QDBusAbstractAdaptor(host) {}
    bool answers = true;
    int questions = 0;

public Q_SLOTS:
    QDBusObjectPath FindUserById(qint64 uid, const QDBusMessage& message) {
        ++questions;
        if (!answers)
            message.setDelayedReply(true); // and the reply never comes
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/Accounts/User%1").arg(uid));
    }
};

class FakeUser : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Accounts.User")
    Q_PROPERTY(QString RealName READ realName)
    Q_PROPERTY(QString IconFile READ iconFile)
public:
    explicit FakeUser(QObject* host) : QDBusAbstractAdaptor(host) {}
    QString realName() const { return name; }
    QString iconFile() const { return icon; }
    QString name, icon;

Q_SIGNALS:
    void Changed();
};

struct FakeAccountsService {
    QDBusConnection bus;
    QObject accountsObject, userObject;
    FakeAccounts* accounts = new FakeAccounts(&accountsObject);
    FakeUser* user = new FakeUser(&userObject);

    FakeAccountsService(QDBusConnection connection, uint uid) : bus(std::move(connection)) {
        bus.registerObject(QStringLiteral("/org/freedesktop/Accounts"), &accountsObject,
                           QDBusConnection::ExportAdaptors);
        bus.registerObject(QStringLiteral("/org/freedesktop/Accounts/User%1").arg(uid), &userObject,
                           QDBusConnection::ExportAdaptors);
        bus.registerService(QStringLiteral("org.freedesktop.Accounts"));
    }
};

QString passwdName(uint uid) {
    const passwd* pw = ::getpwuid(uid);
    return pw ? X11Identity::fullNameFromGecos(QString::fromLocal8Bit(pw->pw_gecos)) : QString();
}

class IdentityTest : public BusTest {
protected:
    const uint uid = X11Identity::currentUid();
};

} // namespace

TEST_F(IdentityTest, ASilentAccountsServiceIsAskedOnceAndThePasswdEntryStands) {
    FakeAccountsService service(bus.connect(QStringLiteral("accounts")), uid);
    service.accounts->answers = false;
    X11Identity identity(bus.connect(QStringLiteral("client")), uid);
    QSignalSpy changed(&identity, &X11Identity::currentUserChanged);

    // Every start button asks, on every rebuild.
    ASSERT_TRUE(identity.currentUser() && identity.currentUser());
    EXPECT_EQ(identity.currentUser()->fullName, passwdName(uid));

    ASSERT_TRUE(waitUntil([&] { return service.accounts->questions > 0; }, 10000));
    identity.currentUser();
    QCoreApplication::processEvents();
    EXPECT_EQ(service.accounts->questions, 1) << "asked once, not once per lookup";
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(identity.currentUser()->fullName, passwdName(uid));
}

TEST_F(IdentityTest, TheAccountsRecordReplacesThePasswdEntryWhenItArrivesAndWhenItChanges) {
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("face.png"));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(picture));
    FakeAccountsService service(bus.connect(QStringLiteral("accounts")), uid);
    service.user->name = QStringLiteral("Robin Vale");
    service.user->icon = picture;

    X11Identity identity(bus.connect(QStringLiteral("client")), uid);
    QSignalSpy changed(&identity, &X11Identity::currentUserChanged);
    // AccountsService answers on this very thread: a lookup that waited would never see it.
    EXPECT_EQ(identity.currentUser()->fullName, passwdName(uid));
    ASSERT_TRUE(waitUntil([&] { return changed.count() == 1; }, 10000));
    auto user = identity.currentUser();
    EXPECT_EQ(user->fullName, "Robin Vale");
    ASSERT_TRUE(user->picture);
    EXPECT_EQ(user->picture->pixelColor(4, 4), QColor(Qt::red));

    // A new picture under the same file name, as AccountsService stores it, is a change too.
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(picture));
    Q_EMIT service.user->Changed();
    ASSERT_TRUE(waitUntil([&] { return changed.count() == 2; }, 10000));
    user = identity.currentUser();
    EXPECT_EQ(user->fullName, "Robin Vale");
    EXPECT_EQ(user->picture->pixelColor(4, 4), QColor(Qt::blue));
    EXPECT_EQ(service.accounts->questions, 1);
}

#include "X11IdentityTest.moc"
