#include "platform/linux/SecretServiceKeychain.h"

#include "core/Log.h"

#include <QPointer>
#include <libsecret/secret.h>
#include <memory>

namespace vantorel {

namespace {

const SecretSchema* schema() {
    static const SecretSchema s = [] {
        SecretSchema x{};
        x.name = "com.vantorel.account";
        // Match by the two attributes alone, so an item another tool stored with them is ours too.
        x.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        x.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        x.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return x;
    }();
    return &s;
}

// The Secret Service is not there: no session bus, or nobody owns (or can be
// started for) org.freedesktop.secrets.
bool serviceMissing(const GError* e) {
    if (e->domain == G_IO_ERROR)
        return true;
    if (e->domain != G_DBUS_ERROR)
        return false;
    switch (e->code) {
    case G_DBUS_ERROR_SERVICE_UNKNOWN:
    case G_DBUS_ERROR_NAME_HAS_NO_OWNER:
    case G_DBUS_ERROR_NO_SERVER:
    case G_DBUS_ERROR_SPAWN_EXEC_FAILED:
    case G_DBUS_ERROR_SPAWN_FAILED:
    case G_DBUS_ERROR_SPAWN_CHILD_EXITED:
    case G_DBUS_ERROR_SPAWN_SERVICE_NOT_FOUND:
    case G_DBUS_ERROR_SPAWN_SERVICE_INVALID:
        return true;
    default:
        return false;
    }
}

struct Attributes {
    QByteArray service, account;
    explicit Attributes(const KeychainItem& item) : service(item.service.toUtf8()), account(item.account.toUtf8()) {}
};

} // namespace

SecretServiceKeychain::SecretServiceKeychain(QObject* parent) : QObject(parent) {
    worker_.setMaxThreadCount(1);
    // The thread stays for the whole run: libsecret keeps its connection per process.
    worker_.setExpiryTimeout(-1);
}

SecretServiceKeychain::~SecretServiceKeychain() {
    worker_.waitForDone();
}

QString SecretServiceKeychain::unavailableMessage() {
    return QStringLiteral("No keyring is available on this computer, so the session cannot be kept. Start a Secret "
                          "Service keyring (such as GNOME Keyring or KeePassXC) and sign in again.");
}

template <typename R>
void SecretServiceKeychain::run(QObject* context, std::function<R()> work, std::function<void(R)> done) {
    struct Pending {
        QPointer<QObject> context;
        std::function<void(R)> done;
    };
    auto pending = std::make_shared<Pending>(Pending{context, std::move(done)});
    worker_.start([this, work = std::move(work), pending] {
        R result = work();
        QMetaObject::invokeMethod(
            this,
            [pending, result = std::move(result)]() mutable {
                if (pending->context)
                    pending->done(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void SecretServiceKeychain::read(const KeychainItem& item, QObject* context,
                                 std::function<void(std::optional<QByteArray>)> done) {
    run<std::optional<QByteArray>>(
        context,
        [a = Attributes(item)]() -> std::optional<QByteArray> {
            GError* error = nullptr;
            gchar* secret = secret_password_lookup_sync(schema(), nullptr, &error, "service", a.service.constData(),
                                                        "account", a.account.constData(), nullptr);
            if (error) {
                Log::app().info(QStringLiteral("keyring: cannot read %1: %2")
                                    .arg(QString::fromUtf8(a.service), QString::fromUtf8(error->message)));
                g_error_free(error);
            }
            if (!secret)
                return std::nullopt;
            QByteArray data(secret);
            secret_password_free(secret);
            return data;
        },
        std::move(done));
}

void SecretServiceKeychain::save(const KeychainItem& item, const QByteArray& data, QObject* context,
                                 std::function<void(Status)> done) {
    run<Status>(
        context,
        [a = Attributes(item), data]() -> Status {
            GError* error = nullptr;
            // The service replaces an item with the same attributes, so this adds or updates.
            secret_password_store_sync(schema(), SECRET_COLLECTION_DEFAULT, "Vantorel session", data.constData(),
                                       nullptr, &error, "service", a.service.constData(), "account",
                                       a.account.constData(), nullptr);
            if (!error)
                return Status::success();
            const QString why = QString::fromUtf8(error->message);
            const bool missing = serviceMissing(error);
            g_error_free(error);
            Log::app().error(QStringLiteral("keyring: cannot save %1: %2").arg(QString::fromUtf8(a.service), why));
            if (missing)
                return Status::failure(unavailableMessage());
            return Status::failure(QStringLiteral("The keyring could not keep the session: ") + why);
        },
        std::move(done));
}

void SecretServiceKeychain::remove(const KeychainItem& item, QObject* context, std::function<void()> done) {
    run<bool>(
        context,
        [a = Attributes(item)] {
            GError* error = nullptr;
            secret_password_clear_sync(schema(), nullptr, &error, "service", a.service.constData(), "account",
                                       a.account.constData(), nullptr);
            if (error)
                g_error_free(error);
            return true;
        },
        [done = std::move(done)](bool) { done(); });
}

} // namespace vantorel
