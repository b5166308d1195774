// Launch at login on a freedesktop session: the autostart entry, the systemd
// user unit as the fallback, and the process runner behind both.
#include "app/LaunchAtLoginService.h"
#include "platform/linux/PosixProcessRunner.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/sim/SimDesktop.h"
#include "platform/x11/DesktopEntry.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vantorel;
using vantorel::test::fileContents;

namespace {

class LinuxLogin : public ::testing::Test {
protected:
    LinuxLogin() {
        desktop.platform();
        desktop.processes.install(systemctl, [](const QStringList&) { return 0; });
    }

    QTemporaryDir config;
    SimDesktop desktop;
    const QString systemctl = QStringLiteral("/usr/bin/systemctl");
    const QString executable = QStringLiteral("/opt/Vantorel Build/bin/vantorel");
    XdgAutostartLoginItems loginItems{executable, config.path()};
    SystemdUserAgent agent{desktop.processes, config.path(), systemctl};
    LaunchAtLoginService service{loginItems, agent, desktop};
    QString entry() const { return config.path() + "/autostart/vantorel.desktop"; }
    QString unit() const { return config.path() + "/systemd/user/com.vantorel.autostart.service"; }
};

// The session skips an entry switched off in either way; start-up must not
// read it as enabled, and switching on again makes it start.
TEST_F(LinuxLogin, AnEntryTheSessionSkipsIsNotEnabled) {
    ASSERT_TRUE(QDir().mkpath(config.path() + "/autostart"));
    auto write = [&](const QByteArray& tail) {
        QFile f(entry());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Desktop Entry]\nType=Application\nName=Vantorel\nExec=/usr/bin/vantorel\n" + tail);
    };
    for (const char* off : {"X-GNOME-Autostart-enabled=false\n", "Hidden=true\n"}) {
        write(off + QByteArray("\n[Desktop Action other]\nName=Other\n"));
        EXPECT_FALSE(service.isEnabled()) << off;
    }
    // The same keys in another group, or switched on, leave it enabled.
    write("X-GNOME-Autostart-enabled=true\n[Desktop Action other]\nHidden=true\n");
    EXPECT_EQ(loginItems.mainAppStatus(), LoginItemStatus::Enabled);

    write("X-GNOME-Autostart-enabled=false\n");
    ASSERT_TRUE(service.setEnabled(true));
    EXPECT_EQ(fileContents(entry()), loginItems.entryContents());
    EXPECT_TRUE(service.isEnabled());
    ASSERT_TRUE(service.setEnabled(false));
    EXPECT_FALSE(QFileInfo::exists(entry()));
    EXPECT_FALSE(service.isEnabled());
}

TEST_F(LinuxLogin, AnUnwritableAutostartFolderFallsBackToASystemdUserUnit) {
    QFile blocker(config.path() + "/autostart"); // a file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ASSERT_TRUE(service.setEnabled(true));

    EXPECT_TRUE(fileContents(unit()).contains("ExecStart=\"/usr/bin/vantorel\"\n"));
    EXPECT_EQ(desktop.processes.commands, QStringList{systemctl + " --user enable com.vantorel.autostart.service"});
    EXPECT_TRUE(service.isEnabled());

    // Once the entry can be written it takes over and the unit goes: the program starts once.
    ASSERT_TRUE(QFile::remove(blocker.fileName()));
    ASSERT_TRUE(service.setEnabled(true));
    EXPECT_TRUE(QFileInfo::exists(entry()));
    EXPECT_FALSE(QFileInfo::exists(unit()));
    EXPECT_EQ(desktop.processes.commands.last(), systemctl + " --user disable com.vantorel.autostart.service");
}

// Every reserved character in the program's path: the entry's Exec, read back by the launcher's own
// parser, is that path again.
TEST_F(LinuxLogin, ArgumentsSurviveQuotingIntoEntriesAndUnits) {
    EXPECT_EQ(systemdExecStart({"/a b/v", "$X", "100%", "q\"\\"}), "\"/a b/v\" \"$$X\" \"100%%\" \"q\\\"\\\\\"");
    const QString odd = "/tmp/we ird/$x;`y`|&'q'\\%/vantorel";
    XdgAutostartLoginItems items(odd, config.path());
    ASSERT_TRUE(items.registerMainApp());
    const auto parsed = DesktopEntry::load(entry());
    ASSERT_TRUE(parsed.ok()) << parsed.error().toStdString();
    const auto arguments = parsed->execArguments();
    ASSERT_TRUE(arguments.ok()) << arguments.error().toStdString();
    EXPECT_EQ(*arguments, QStringList{odd});
}

// Live (not zombie) processes of a process group.
int groupSize(qint64 group) {
    int n = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        // After the name: state, parent, process group.
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z" && fields[0] != "X")
            ++n;
    }
    return n;
}

TEST(PosixProcessRunner, ADetachedChildRunsUntilTerminatedWithWhatItStarted) {
    PosixProcessRunner runner;
    auto child = runner.spawnDetached("/bin/sh", {"-c", "while :; do sleep 30; done"});
    ASSERT_GT(child->pid(), 0);
    EXPECT_TRUE(child->startError().isEmpty());
    EXPECT_TRUE(child->isRunning());
    EXPECT_EQ(::getsid(static_cast<pid_t>(child->pid())), child->pid()); // its own session

    QElapsedTimer started;
    started.start();
    while (groupSize(child->pid()) < 2 && started.elapsed() < 5000) // the shell and its sleep
        QThread::msleep(10);
    ASSERT_EQ(groupSize(child->pid()), 2);

    // The loop never ends by itself, so returning at all means terminate ended it.
    child->terminate();
    EXPECT_FALSE(child->isRunning());
    QElapsedTimer gone;
    gone.start();
    while (groupSize(child->pid()) > 0 && gone.elapsed() < 15000)
        QThread::msleep(10);
    EXPECT_EQ(groupSize(child->pid()), 0); // the sleep went too

    // A child holds none of the program's files: a monitor that kept the
    // single-instance lock would stop the next start after a crash.
    const int inherited = ::open("/dev/null", O_RDONLY); // no close-on-exec
    ASSERT_GE(inherited, 3);
    auto holder = runner.spawnDetached("/bin/sh", {"-c", "sleep 30"});
    ::close(inherited);
    QElapsedTimer exec;
    exec.start();
    // Until the exec the child still runs this program and may hold the file.
    const QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    while (QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(holder->pid())) == self && exec.elapsed() < 5000)
        QThread::msleep(10);
    const QStringList fds =
        QDir(QStringLiteral("/proc/%1/fd").arg(holder->pid())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    EXPECT_EQ(fds, (QStringList{"0", "1", "2"}));
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/1").arg(holder->pid())), "/dev/null");
    holder->terminate();

    auto failed = runner.spawnDetached("/nonexistent/shell", {});
    EXPECT_EQ(failed->pid(), 0);
    EXPECT_EQ(failed->startError(), "No such file or directory");
    EXPECT_FALSE(failed->isRunning());
}

} // namespace
