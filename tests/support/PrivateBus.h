#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel::test {

// A D-Bus daemon of the test's own, with a permissive policy: tests put real
// services on it (fakes of the system's) and connect the code under test.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon could not be started; error() says why.
    const QString& address() const { return address_; }
    const QString& error() const { return error_; }
    // A new connection to the bus under this name, closed with the bus.
    QDBusConnection connect(const QString& name);

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QString error_;
    QStringList connections_;
};

// A test with a bus of its own; skipped where no daemon can start.
class BusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << bus.error().toStdString();
    }
    PrivateBus bus;
};

} // namespace vantorel::test
