// Rewrites one large value of a defaults domain as fast as it can, until killed.
// The test kills it at random moments and checks the document on disk.
#include "platform/common/FileDefaultsStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    vantorel::FileDefaultsStore store(QString::fromLocal8Bit(argv[1]));
    for (int i = 1;; ++i) {
        const char fill = static_cast<char>('a' + i % 26);
        QByteArray blob = QByteArray::number(i) + ':' + QByteArray(256 * 1024, fill);
        store.setValue(QStringLiteral("com.vantorel.app"), QStringLiteral("blob"), blob);
        // Only after a whole first document: a kill before it would find nothing, however slow the machine.
        if (i == 1) {
            std::puts("writing");
            std::fflush(stdout);
        }
    }
}
