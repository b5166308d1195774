#include "platform/linux/PackageKitInstaller.h"
#include "support/LoopbackHttpServer.h"
#include "support/PrivateBus.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// PackageKit as far as installing a file goes: a transaction per request,
// whose InstallFiles answers with the scripted outcome as PackageKit's signals.
class FakePackageKit : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PackageKit")
public:
    FakePackageKit(QObject* host, QDBusConnection bus);
    QDBusConnection bus;
    QStringList installed;
    // Empty: success; otherwise the error's details and a failed exit.
    QString failWith;
    int transactions = 0;

public Q_SLOTS:
    QDBusObjectPath CreateTransaction();
};

class FakeTransaction : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PackageKit.Transaction")
public:
    FakeTransaction(QObject* host, FakePackageKit& kit, QString path)
        : QDBusAbstractAdaptor(host), kit_(kit), path_(std::move(path)) {}

public Q_SLOTS:
    void InstallFiles(qulonglong, const QStringList& fullPaths) {
        kit_.installed << fullPaths;
        const QString iface = QStringLiteral("org.freedesktop.PackageKit.Transaction");
        if (!kit_.failWith.isEmpty()) {
            auto error = QDBusMessage::createSignal(path_, iface, QStringLiteral("ErrorCode"));
            error << 4u << kit_.failWith;
            kit_.bus.send(error);
        }
        auto finished = QDBusMessage::createSignal(path_, iface, QStringLiteral("Finished"));
        finished << (kit_.failWith.isEmpty() ? 1u : 2u) << 1200u;
        kit_.bus.send(finished);
    }

private:
    FakePackageKit& kit_;
    QString path_;
};

FakePackageKit::FakePackageKit(QObject* host, QDBusConnection connection)
    : QDBusAbstractAdaptor(host), bus(std::move(connection)) {}

QDBusObjectPath FakePackageKit::CreateTransaction() {
    const QString path = QStringLiteral("/%1_transaction").arg(++transactions);
    auto* host = new QObject(this);
    new FakeTransaction(host, *this, path);
    bus.registerObject(path, host, QDBusConnection::ExportAdaptors);
    return QDBusObjectPath(path);
}

} // namespace

TEST(PackageKitInstaller, InstallsThroughATransactionAndReportsItsErrorOrItsAbsence) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << bus.error().toStdString();
    PackageKitInstaller installer(bus.address());
    std::vector<Status> answers;
    auto record = [&](Status s) { answers.push_back(std::move(s)); };

    // Nobody owns PackageKit's name: the user learns where the verified package is.
    installer.install(QStringLiteral("/var/cache/vantorel_2.0_amd64.deb"), record);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 1; }));
    EXPECT_FALSE(answers[0].ok());
    EXPECT_TRUE(answers[0].error().contains("sudo apt-get install /var/cache/vantorel_2.0_amd64.deb"));

    QObject host;
    QDBusConnection service = bus.connect(QStringLiteral("packagekit"));
    auto* kit = new FakePackageKit(&host, service);
    ASSERT_TRUE(
        service.registerObject(QStringLiteral("/org/freedesktop/PackageKit"), &host, QDBusConnection::ExportAdaptors));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.PackageKit")));

    installer.install(QStringLiteral("/tmp/updates/vantorel_2.0_amd64.deb"), record);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 2; }));
    EXPECT_TRUE(answers[1].ok()) << answers[1].error().toStdString();
    EXPECT_EQ(kit->installed, QStringList{"/tmp/updates/vantorel_2.0_amd64.deb"});

    kit->failWith = QStringLiteral("Package vantorel is not signed");
    installer.install(QStringLiteral("/tmp/updates/vantorel_2.1_amd64.deb"), record);
    ASSERT_TRUE(waitUntil([&] { return answers.size() == 3; }));
    EXPECT_EQ(answers[2].error(), "Package vantorel is not signed");
}

#include "PackageKitInstallerTest.moc"
