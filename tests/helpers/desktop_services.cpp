// The desktop's file manager and notification server on the session bus, as
// fakes that print each call on a line; the desktop tests read the lines.
#include "support/FakeDesktopServices.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    vantorel::test::FakeFileManager files;
    vantorel::test::FakeNotificationServer notices;
    auto print = [](const QString& line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    files.onCall = print;
    notices.onCall = print;
    if (!vantorel::test::registerFakeDesktopServices(QDBusConnection::sessionBus(), files, notices)) {
        std::fprintf(stderr, "desktop_services: cannot register on the session bus\n");
        return 1;
    }
    print(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
