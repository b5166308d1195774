#include "support/PrivateKeyring.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QTest>

namespace vantorel::test {

PrivateKeyring::PrivateKeyring(bool withKeyring) {
    QDir(home.path()).mkpath(".local/share");
    QDir(home.path()).mkpath("run");
    QFile::setPermissions(home.filePath("run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!bus.error().isEmpty()) {
        error = bus.error();
        return;
    }
    if (!withKeyring)
        return;
    keyring.setProcessEnvironment(environment());
    keyring.start("gnome-keyring-daemon", {"--foreground", "--components=secrets", "--unlock"});
    if (!keyring.waitForStarted(10000)) {
        error = "gnome-keyring-daemon did not start (scripts/setup installs gnome-keyring)";
        return;
    }
    keyring.write("unlock-password");
    keyring.closeWriteChannel();
    // Ready once it owns the Secret Service's name on the bus.
    auto connection = bus.connect("keyring-probe");
    if (!QTest::qWaitFor([&] { return connection.interface()->isServiceRegistered("org.freedesktop.secrets").value(); },
                         60000))
        error = "the keyring never appeared on the bus";
}

PrivateKeyring::~PrivateKeyring() {
    if (keyring.state() != QProcess::NotRunning) {
        keyring.terminate();
        if (!keyring.waitForFinished(10000))
            keyring.kill();
        keyring.waitForFinished(5000);
    }
}

QProcessEnvironment PrivateKeyring::environment() const {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    env.insert("HOME", home.path());
    env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    env.insert("XDG_RUNTIME_DIR", home.filePath("run"));
    env.remove("DISPLAY"); // no autolaunched bus of another session
    return env;
}

} // namespace vantorel::test
