#include "app/AppSettings.h"
#include "platform/common/FileDefaultsStore.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

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
    return test::fileContents(FileDefaultsStore(dir).pathForDomain("com.vantorel.app"));
}

// Settings with the crash-restore switch off, which a copy that starts turns on.
QByteArray storeSwitchedOff(const QString& dir) {
    AppSettings off;
    off.restoreDockOnCrash = false;
    FileDefaultsStore(dir).setValue("com.vantorel.app", "com.vantorel.settings", *off.toJson());
    return storedSettings(dir);
}

void startCopy(QProcess& copy, const QProcessEnvironment& env, const QString& defaults) {
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(VANTOREL_EXECUTABLE, {"--platform", "sim", "--defaults-dir", defaults});
}

// A copy is up once it has rewritten its settings.
bool waitUntilUp(QProcess& copy, const QString& defaults, const QByteArray& before) {
    QElapsedTimer waited;
    waited.start();
    while (storedSettings(defaults) == before && waited.elapsed() < 15000 && copy.state() != QProcess::NotRunning)
        copy.waitForReadyRead(100);
    return storedSettings(defaults) != before;
}

} // namespace

// Two real copies of the program on one desktop: the second leaves; once the
// first is gone a new copy starts.
TEST(SingleInstance, ASecondRealCopyExitsWithoutTouchingAnything) {
    QTemporaryDir runtime, firstDefaults, secondDefaults;
    const auto env = environmentWithRuntimeDir(runtime.path());
    const QByteArray firstBefore = storeSwitchedOff(firstDefaults.path());
    const QByteArray secondBefore = storeSwitchedOff(secondDefaults.path());

    QProcess first;
    startCopy(first, env, firstDefaults.path());
    ASSERT_TRUE(waitUntilUp(first, firstDefaults.path(), firstBefore)) << first.readAll().toStdString();
    // The second leaves at once, with status 0, without writing a setting.
    QProcess second;
    startCopy(second, env, secondDefaults.path());
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(storedSettings(secondDefaults.path()), secondBefore);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A copy killed without a chance to clean up does not block the next start.
    first.kill();
    first.waitForFinished();
    QProcess third;
    startCopy(third, env, secondDefaults.path());
    EXPECT_TRUE(waitUntilUp(third, secondDefaults.path(), secondBefore));
    EXPECT_EQ(third.state(), QProcess::Running);
    third.terminate();
    third.waitForFinished(15000);
}

// Standard error a closed pipe (`vantorel 2>&1 | true`): the log lines are
// lost, the taskbar is not.
TEST(ProgramProcess, AClosedStandardErrorIsNotFatal) {
    QTemporaryDir runtime, defaults;
    const QByteArray before = storeSwitchedOff(defaults.path());
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    ::close(pipeFds[0]); // nobody will ever read
    const int writeEnd = pipeFds[1];

    QProcess copy;
    copy.setProcessEnvironment(environmentWithRuntimeDir(runtime.path()));
    copy.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDERR_FILENO); });
    copy.start(VANTOREL_EXECUTABLE, {"--platform", "sim", "--defaults-dir", defaults.path()});
    ::close(writeEnd);
    EXPECT_TRUE(waitUntilUp(copy, defaults.path(), before));
    ASSERT_EQ(copy.state(), QProcess::Running) << "exit status " << copy.exitCode();
    copy.terminate();
    ASSERT_TRUE(copy.waitForFinished(15000));
    EXPECT_EQ(copy.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(copy.exitCode(), 0);
}
