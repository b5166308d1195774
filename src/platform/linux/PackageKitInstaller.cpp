#include "platform/linux/PackageKitInstaller.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <memory>

namespace vantorel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.PackageKit");
const QString kTransaction = QStringLiteral("org.freedesktop.PackageKit.Transaction");
constexpr uint kExitSuccess = 1;
constexpr uint kExitCancelled = 3;

// One transaction: its signals are watched until Finished, then it completes once.
class Transaction : public QObject {
    Q_OBJECT
public:
    Transaction(QDBusConnection bus, QString path, std::function<void(Status)> completion)
        : bus_(std::move(bus)), path_(std::move(path)), completion_(std::move(completion)) {
        bus_.connect(kService, path_, kTransaction, QStringLiteral("ErrorCode"), this, SLOT(errorCode(uint, QString)));
        bus_.connect(kService, path_, kTransaction, QStringLiteral("Finished"), this, SLOT(finished(uint, uint)));
    }
    ~Transaction() override {
        bus_.disconnect(kService, path_, kTransaction, QStringLiteral("ErrorCode"), this,
                        SLOT(errorCode(uint, QString)));
        bus_.disconnect(kService, path_, kTransaction, QStringLiteral("Finished"), this, SLOT(finished(uint, uint)));
    }
    void fail(const QString& why) { complete(Status::failure(why)); }

public Q_SLOTS:
    void errorCode(uint, const QString& details) { error_ = details; }
    void finished(uint exit, uint) {
        if (exit == kExitSuccess)
            complete(Status::success());
        else if (exit == kExitCancelled)
            fail(QStringLiteral("The installation was cancelled."));
        else
            fail(error_.isEmpty() ? QStringLiteral("The package installer could not install the update.") : error_);
    }

private:
    void complete(Status status) {
        if (!completion_)
            return;
        auto done = std::move(completion_);
        completion_ = nullptr;
        done(std::move(status));
        deleteLater();
    }

    QDBusConnection bus_;
    QString path_;
    QString error_;
    std::function<void(Status)> completion_;
};

QString unavailable(const QString& path, const QString& why) {
    return QStringLiteral("No package installer answered (%1). The verified package is %2; install it with "
                          "\"sudo apt-get install %2\".")
        .arg(why, path);
}

} // namespace

PackageKitInstaller::PackageKitInstaller(QString busAddress, QObject* parent) : QObject(parent) {
    if (busAddress.isEmpty()) {
        connectionName_ = QStringLiteral("vantorel-packagekit");
        QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName_);
    } else {
        connectionName_ = QStringLiteral("vantorel-packagekit-") + busAddress;
        QDBusConnection::connectToBus(busAddress, connectionName_);
    }
}

PackageKitInstaller::~PackageKitInstaller() {
    QDBusConnection::disconnectFromBus(connectionName_);
}

void PackageKitInstaller::install(const QString& packagePath, std::function<void(Status)> completion) {
    QDBusConnection bus(connectionName_);
    if (!bus.isConnected()) {
        completion(Status::failure(unavailable(packagePath, QStringLiteral("no system bus"))));
        return;
    }
    const auto create = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/PackageKit"),
                                                       QStringLiteral("org.freedesktop.PackageKit"),
                                                       QStringLiteral("CreateTransaction"));
    auto* created = new QDBusPendingCallWatcher(bus.asyncCall(create), this);
    connect(created, &QDBusPendingCallWatcher::finished, this,
            [this, bus, packagePath, completion](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (reply.isError()) {
                    completion(Status::failure(unavailable(packagePath, reply.error().message())));
                    return;
                }
                const QString path = reply.value().path();
                auto* transaction = new Transaction(bus, path, completion);
                transaction->setParent(this);
                auto call =
                    QDBusMessage::createMethodCall(kService, path, kTransaction, QStringLiteral("InstallFiles"));
                call << QVariant::fromValue<qulonglong>(0) << QStringList{packagePath};
                QPointer<Transaction> watched(transaction);
                auto* started = new QDBusPendingCallWatcher(bus.asyncCall(call, 24 * 3600 * 1000), this);
                connect(started, &QDBusPendingCallWatcher::finished, this, [watched](QDBusPendingCallWatcher* s) {
                    s->deleteLater();
                    if (s->isError() && watched)
                        watched->fail(s->error().message());
                });
            });
}

} // namespace vantorel

#include "PackageKitInstaller.moc"
