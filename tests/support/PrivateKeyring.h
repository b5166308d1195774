#pragma once

#include "support/PrivateBus.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace vantorel::test {

// A home folder, a private session bus and, when asked, a real keyring on it:
// gnome-keyring-daemon with its login keyring created and unlocked.
struct PrivateKeyring {
    QTemporaryDir home;
    PrivateBus bus;
    QProcess keyring;
    QString error; // empty when everything runs

    explicit PrivateKeyring(bool withKeyring = true);
    ~PrivateKeyring();
    PrivateKeyring(const PrivateKeyring&) = delete;
    PrivateKeyring& operator=(const PrivateKeyring&) = delete;

    // The session's environment: its bus, home and XDG folders, no display.
    QProcessEnvironment environment() const;
};

} // namespace vantorel::test
