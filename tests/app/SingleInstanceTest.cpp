#include "app/AppSettings.h"
#include "platform/common/FileDefaultsStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {
QProcessEnvironment environmentWithRuntimeDir(const QString& runtimeDir) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DISPLAY", ":vantorel-single-instance-test");
    return env;
}

QByteArray storedSettings(const QString& dir) {
    QFile f(FileDefaultsStore(dir).pathForDomain("com.vantorel.app"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// Two real copies of the program on one desktop: the second leaves at once,
// with status 0, without writing a setting; once the first is gone a new copy starts.
TEST(SingleInstance, ASecondRealCopyExitsWithoutTouchingAnything) {
    QTemporaryDir runtime, firstDefaults, secondDefaults;
    // Both copies would rewrite this (the crash-restore switch is forced on at every start).
    AppSettings off;
    off.restoreDockOnCrash = false;
    for (const auto* dir : {&firstDefaults, &secondDefaults})
        FileDefaultsStore(dir->path()).setValue("com.vantorel.app", "com.vantorel.settings", *off.toJson());
    const QByteArray secondBefore = storedSettings(secondDefaults.path());

    QProcess first;
    first.setProcessEnvironment(environmentWithRuntimeDir(runtime.path()));
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(VANTOREL_EXECUTABLE, {"--platform", "sim", "--defaults-dir", firstDefaults.path()});
    ASSERT_TRUE(first.waitForStarted());
    // The first copy is up once it has rewritten its settings.
    QElapsedTimer waited;
    waited.start();
    while (storedSettings(firstDefaults.path()) == secondBefore && waited.elapsed() < 15000)
        first.waitForReadyRead(100);
    ASSERT_NE(storedSettings(firstDefaults.path()), secondBefore) << first.readAll().toStdString();

    QProcess second;
    second.setProcessEnvironment(environmentWithRuntimeDir(runtime.path()));
    second.start(VANTOREL_EXECUTABLE, {"--platform", "sim", "--defaults-dir", secondDefaults.path()});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(storedSettings(secondDefaults.path()), secondBefore);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A copy killed without a chance to clean up does not block the next start.
    first.kill();
    first.waitForFinished();
    QProcess third;
    third.setProcessEnvironment(environmentWithRuntimeDir(runtime.path()));
    third.start(VANTOREL_EXECUTABLE, {"--platform", "sim", "--defaults-dir", secondDefaults.path()});
    ASSERT_TRUE(third.waitForStarted());
    waited.restart();
    while (storedSettings(secondDefaults.path()) == secondBefore && waited.elapsed() < 15000)
        third.waitForReadyRead(100);
    EXPECT_NE(storedSettings(secondDefaults.path()), secondBefore);
    EXPECT_EQ(third.state(), QProcess::Running);
    third.terminate(); // SIGTERM quits through the normal shutdown
    ASSERT_TRUE(third.waitForFinished(15000));
    EXPECT_EQ(third.exitCode(), 0);
}
