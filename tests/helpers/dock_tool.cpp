// Stands in for the system's "defaults", "killall" and "launchctl" (the name it
// is started under decides which): writes each invocation to the file named
// by VANTOREL_TOOL_LOG, and lets "defaults" act on the simulated Dock domain
// kept in the file named by VANTOREL_SIM_DOCK_FILE.
#include "platform/sim/SimDock.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <fcntl.h>
#include <unistd.h>

using namespace vantorel;

int main(int argc, char* argv[]) {
    const QString tool = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    const QByteArray line = (QStringList{tool} + arguments).join(u' ').toUtf8() + '\n';
    const QByteArray logPath = qgetenv("VANTOREL_TOOL_LOG");
    if (!logPath.isEmpty()) {
        // One write with O_APPEND: lines of tools running side by side never mix.
        const int fd = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
            ::close(fd);
        }
    }

    SimDock dock;
    dock.storeIn(QString::fromLocal8Bit(qgetenv("VANTOREL_SIM_DOCK_FILE")));
    if (tool == QLatin1String("defaults"))
        return dock.defaultsTool(arguments);
    if (tool == QLatin1String("killall"))
        return dock.killallTool(arguments);
    if (tool == QLatin1String("launchctl"))
        return 0;
    return 127;
}
