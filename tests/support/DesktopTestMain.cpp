// Test main for the real-desktop tests: a private Xvfb with openbox is started
// before Qt so that the program under test draws on it.
#include "support/PrivateDesktop.h"

#include <QApplication>
#include <cstdio>
#include <gmock/gmock.h>

vantorel::test::PrivateDesktop* g_desktop = nullptr;

int main(int argc, char** argv) {
    ::testing::InitGoogleMock(&argc, argv);
    // Listing tests needs no desktop.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    qunsetenv("QT_QPA_PLATFORM");
    qputenv("XDG_CONFIG_HOME", "/nonexistent-vantorel-test-config");
    vantorel::test::PrivateDesktop desktop;
    QString error;
    if (!desktop.start(QStringLiteral("1440x900"), &error)) {
        std::fprintf(stderr, "cannot start the private desktop: %s\n", qPrintable(error));
        return 1;
    }
    g_desktop = &desktop;
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        result = RUN_ALL_TESTS();
    }
    desktop.stop();
    return result;
}
