// The single-instance claim: the lock file in the runtime folder, and the
// session bus name (on a dbus-daemon of the test's own) where no lock file
// can be trusted.
#include "platform/common/DesktopServices.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

using namespace vantorel;
using vantorel::test::fileContents;

namespace {

const QString kId = QStringLiteral("com.vantorel.app");

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

class InstanceLock : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
        qputenv("DISPLAY", ":7.0");
    }
    void TearDown() override { qunsetenv("DISPLAY"); }

    std::unique_ptr<LockFileInstanceGuard> guard(const QString& busAddress = QString()) {
        return std::make_unique<LockFileInstanceGuard>(runtime.path(),
                                                       busAddress.isEmpty() ? bus.address() : busAddress);
    }

    test::PrivateBus bus;
    QTemporaryDir runtime;
    test::LogCapture log;
};

TEST_F(InstanceLock, APlantedLinkIsNeitherFollowedNorTruncated) {
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("victim");
    {
        QFile f(victim);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("precious\n");
    }
    const QString lock = guard()->lockPath(kId);
    ASSERT_TRUE(QFile::link(victim, lock));

    // A folder others may write to, where anyone could have planted the link.
    setMode(runtime.path(), 0777);
    auto first = guard();
    EXPECT_TRUE(first->claim(kId));
    EXPECT_FALSE(guard()->claim(kId));
    EXPECT_EQ(fileContents(victim), "precious\n");

    // A link in our own private folder is not followed either.
    first.reset();
    setMode(runtime.path(), 0700);
    EXPECT_TRUE(guard()->claim(kId));
    EXPECT_EQ(fileContents(victim), "precious\n");
    EXPECT_TRUE(QFileInfo(lock).isSymLink());
    EXPECT_EQ(log.messages("app").filter("claiming the session bus name com.vantorel.app.display_7_0").size(), 3);
}

// A runtime folder we cannot write to, or a folder at the lock's name, would
// let every copy start; the bus name keeps it to one.
TEST_F(InstanceLock, WithoutALockFileTheBusNameAllowsOneCopy) {
    setMode(runtime.path(), 0500);
    // The bus refuses a malformed name, which would let both copies run.
    qputenv("DISPLAY", "host-1.example:10.0");
    EXPECT_EQ(LockFileInstanceGuard::busName(kId), "com.vantorel.app.displayhost_1_example_10_0");
    auto first = guard();
    EXPECT_TRUE(first->claim(kId));
    EXPECT_FALSE(guard()->claim(kId));
    EXPECT_FALSE(QFileInfo::exists(first->lockPath(kId)));
    first.reset(); // gives the name back
    setMode(runtime.path(), 0700);
    qputenv("DISPLAY", ":7.0");

    ASSERT_TRUE(QDir().mkdir(guard()->lockPath(kId)));
    first = guard();
    EXPECT_TRUE(first->claim(kId));
    EXPECT_FALSE(guard()->claim(kId));
    EXPECT_EQ(log.messages("app").filter("claiming the session bus name").size(), 4);

    // With no bus either, the program runs, and says so.
    EXPECT_TRUE(guard(QStringLiteral("unix:path=/nonexistent/vantorel-bus"))->claim(kId));
    EXPECT_EQ(log.messages("app").filter("No single-instance check").size(), 1);
}

} // namespace
