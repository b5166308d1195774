#include "platform/common/FileDefaultsStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vantorel;

namespace {
const QString kDomain = QStringLiteral("com.vantorel.app");

QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
} // namespace

TEST(FileDefaultsStore, TypedValuesSurviveAReloadFromDisk) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/vantorel");
    {
        FileDefaultsStore store(dir);
        store.setValue(kDomain, "data", QByteArray("{\"a\":1}\x00\xff", 9));
        store.setValue(kDomain, "string", QStringLiteral("héllo"));
        store.setValue(kDomain, "list", QStringList{"com.apple.finder", "com.apple.Safari"});
        store.setValue(kDomain, "flag", true);
        store.setValue(kDomain, "number", 0.5);
        store.setValue(QStringLiteral("com.apple.dock"), "autohide", false);
        store.removeValue(kDomain, "missing");
    }
    FileDefaultsStore store(dir);
    EXPECT_EQ(store.data(kDomain, "data"), QByteArray("{\"a\":1}\x00\xff", 9));
    EXPECT_EQ(store.string(kDomain, "string"), QStringLiteral("héllo"));
    EXPECT_EQ(store.stringArray(kDomain, "list"), (QStringList{"com.apple.finder", "com.apple.Safari"}));
    EXPECT_EQ(store.boolean(kDomain, "flag"), true);
    EXPECT_EQ(store.number(kDomain, "number"), 0.5);
    EXPECT_EQ(store.boolean(QStringLiteral("com.apple.dock"), "autohide"), false);
    // A value read as another type is absent, never coerced (data is not a string).
    EXPECT_FALSE(store.string(kDomain, "data"));
    EXPECT_FALSE(store.boolean(kDomain, "number"));

    store.removeValue(kDomain, "flag");
    EXPECT_FALSE(FileDefaultsStore(dir).value(kDomain, "flag"));
}

TEST(FileDefaultsStore, DocumentsArePrivateToTheUser) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/cfg/vantorel");
    FileDefaultsStore store(dir);
    store.setValue(kDomain, "flag", true);
    const QFileInfo file(store.pathForDomain(kDomain));
    ASSERT_TRUE(file.exists());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file.filePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    // A strange domain name cannot leave the folder.
    EXPECT_TRUE(store.pathForDomain(QStringLiteral("../../etc/passwd")).startsWith(dir + u'/'));
    EXPECT_FALSE(store.pathForDomain(QStringLiteral("../../etc/passwd")).contains(QStringLiteral("/../")));
}

TEST(FileDefaultsStore, AnUnreadableDocumentIsKeptAsideAndNeverOverwritten) {
    QTemporaryDir tmp;
    FileDefaultsStore probe(tmp.path());
    const QString path = probe.pathForDomain(kDomain);
    const QByteArray garbage = "{\"com.vantorel.settings\": {\"base64\": \"eyJ9\"}, truncated";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    test::LogCapture log;
    FileDefaultsStore store(tmp.path());
    EXPECT_FALSE(store.value(kDomain, "com.vantorel.settings")); // treated as empty
    store.setValue(kDomain, "flag", true);

    const QStringList files = filesIn(tmp.path());
    ASSERT_EQ(files.size(), 2) << files.join(", ").toStdString();
    const QString aside = tmp.path() + u'/' + files.filter(QStringLiteral(".corrupt-")).value(0);
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_EQ(FileDefaultsStore(tmp.path()).boolean(kDomain, "flag"), true);
    EXPECT_EQ(log.messages("defaults").size(), 1);

    // A JSON document that is not an object is as unreadable as broken text.
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[1, 2]");
    }
    FileDefaultsStore again(tmp.path());
    EXPECT_FALSE(again.value(kDomain, "flag"));
    EXPECT_EQ(filesIn(tmp.path()).filter(QStringLiteral(".corrupt-")).size(), 2);
}

TEST(FileDefaultsStore, AWriterKilledAtAnyMomentLeavesAWholeDocument) {
    QTemporaryDir tmp;
    const QString writer = test::helperPath(QStringLiteral("defaults_writer"));
    ASSERT_TRUE(QFileInfo::exists(writer)) << writer.toStdString();
    int previous = 0;
    for (int round = 0; round < 8; ++round) {
        QProcess p;
        p.start(writer, {tmp.path()});
        ASSERT_TRUE(p.waitForStarted());
        ASSERT_TRUE(p.waitForReadyRead(5000));
        QThread::msleep(15 + QRandomGenerator::global()->bounded(60));
        p.kill(); // SIGKILL: no chance to finish a write
        p.waitForFinished();

        FileDefaultsStore store(tmp.path());
        const auto blob = store.data(kDomain, "blob");
        ASSERT_TRUE(blob) << "round " << round;
        const int colon = blob->indexOf(':');
        const int counter = blob->left(colon).toInt();
        EXPECT_GE(counter, 1);
        const char fill = static_cast<char>('a' + counter % 26);
        EXPECT_EQ(blob->mid(colon + 1), QByteArray(256 * 1024, fill)) << "round " << round;
        EXPECT_TRUE(filesIn(tmp.path()).filter(QStringLiteral(".corrupt-")).isEmpty());
        previous = counter;
    }
    EXPECT_GT(previous, 0);
}
