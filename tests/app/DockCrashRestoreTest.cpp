// The crash-restore monitor with real processes: a helper plays the program,
// the system tools are stand-ins that log what they are asked to do.
#include "app/DockService.h"
#include "platform/common/FileDefaultsStore.h"
#include "platform/sim/SimDock.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vantorel;

namespace {

const QString kAutohide = QStringLiteral("autohide");
const QString kDelay = QStringLiteral("autohide-delay");

// Running and not a zombie waiting for a parent to collect it.
bool alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.size() > close + 2 && text[close + 2] != 'Z' && text[close + 2] != 'X';
}

class CrashRestore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkdir("tools"));
        for (const char* tool : {"defaults", "killall", "launchctl"})
            ASSERT_TRUE(QFile::link(test::helperPath("dock_tool"), dir.filePath(QStringLiteral("tools/") + tool)));
        dock.storeIn(dockFile());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VANTOREL_TOOL_LOG", logFile());
        env.insert("VANTOREL_SIM_DOCK_FILE", dockFile());
        host.setProcessEnvironment(env);
    }

    void TearDown() override {
        if (host.state() != QProcess::NotRunning) {
            host.kill();
            host.waitForFinished();
        }
        if (monitorPid > 0 && alive(monitorPid))
            ::kill(static_cast<pid_t>(monitorPid), SIGKILL);
    }

    QString dockFile() const { return dir.filePath("com.apple.dock.json"); }
    QString logFile() const { return dir.filePath("tools.log"); }
    QStringList toolLog() const {
        QFile f(logFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    void startHost() {
        host.start(test::helperPath("dock_host"), {dockFile(), dir.filePath("defaults"), dir.filePath("tools")});
        ASSERT_TRUE(host.waitForStarted(5000)) << qPrintable(host.errorString());
        QByteArray line;
        QElapsedTimer waited;
        waited.start();
        while (!line.endsWith('\n') && waited.elapsed() < 10000) {
            host.waitForReadyRead(200);
            line += host.readLine();
        }
        ASSERT_TRUE(line.startsWith("ready ")) << line.constData() << host.readAllStandardError().constData();
        monitorPid = line.mid(6).trimmed().toLongLong();
        ASSERT_GT(monitorPid, 0);
        ASSERT_TRUE(alive(monitorPid));
    }

    QTemporaryDir dir;
    SimDock dock;
    QProcess host;
    qint64 monitorPid = 0;
};

TEST_F(CrashRestore, AKilledProgramGetsItsDockBackWithinTwoSeconds) {
    dock.setStoredValue(kAutohide, false);
    dock.setStoredValue(kDelay, 0.5);
    startHost();
    const qsizetype before = toolLog().size();

    ::kill(static_cast<pid_t>(host.processId()), SIGKILL);
    QElapsedTimer sinceKill;
    sinceKill.start();
    ASSERT_TRUE(host.waitForFinished(5000));

    const QStringList restore{"defaults write com.apple.dock autohide -bool false",
                              "defaults write com.apple.dock autohide-delay -float 0.5", "killall Dock"};
    while (toolLog().mid(before) != restore && sinceKill.elapsed() < 5000)
        QThread::msleep(20);

    EXPECT_EQ(toolLog().mid(before), restore);
    EXPECT_EQ(dock.storedValue(kAutohide), DefaultsValue(false));
    EXPECT_EQ(dock.storedValue(kDelay), DefaultsValue(0.5));
    // The originals stay; the next start finds the Dock shown and records afresh.
    FileDefaultsStore defaults(dir.filePath("defaults"));
    EXPECT_TRUE(defaults.data("com.vantorel.app", "com.vantorel.dockOriginalPrefs"));

    QElapsedTimer ending;
    ending.start();
    while (alive(monitorPid) && ending.elapsed() < 2000)
        QThread::msleep(20);
    EXPECT_FALSE(alive(monitorPid));
}

} // namespace
