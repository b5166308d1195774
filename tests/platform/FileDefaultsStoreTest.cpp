#include "platform/common/FileDefaultsStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vantorel;
using vantorel::test::fileContents;

namespace {
const QString kDomain = QStringLiteral("com.vantorel.app");

QStringList filesIn(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The entries set aside next to `path`, whatever they are.
QStringList setAside(const QString& path) {
    return QDir(QFileInfo(path).path())
        .entryList({QFileInfo(path).fileName() + QStringLiteral(".corrupt-*")}, QDir::AllEntries | QDir::System);
}

// File access as another user for a while: root reads anything, so a
// permission test run as root drops to nobody for file access (this thread only).
class AsOtherUserIfRoot {
public:
    AsOtherUserIfRoot() {
        if (::geteuid() == 0)
            ::setfsuid(65534);
    }
    ~AsOtherUserIfRoot() {
        if (::geteuid() == 0)
            ::setfsuid(0);
    }
};
} // namespace

TEST(FileDefaultsStore, TypedValuesSurviveAReloadFromDisk) {
    QTemporaryDir tmp;
    const QString dir = tmp.path() + QStringLiteral("/vantorel");
    {
        FileDefaultsStore store(dir);
        store.setValue(kDomain, "data", QByteArray("{\"a\":1}\x00\xff", 9));
        store.setValue(kDomain, "list", QStringList{"com.apple.finder", "com.apple.Safari"});
        store.setValue(kDomain, "flag", true);
    }
    FileDefaultsStore store(dir);
    EXPECT_EQ(store.data(kDomain, "data"), QByteArray("{\"a\":1}\x00\xff", 9));
    EXPECT_EQ(store.stringArray(kDomain, "list"), (QStringList{"com.apple.finder", "com.apple.Safari"}));
    EXPECT_EQ(store.boolean(kDomain, "flag"), true);
    // A value read as another type is absent, never coerced (data is not a string).
    EXPECT_FALSE(store.string(kDomain, "data"));

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
    // A folder the user chose (--defaults-dir) keeps the mode it has.
    ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
    FileDefaultsStore chosen(tmp.path());
    chosen.setValue(kDomain, "flag", true);
    ASSERT_EQ(::stat(QFile::encodeName(tmp.path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
    // A strange domain name cannot leave the folder.
    EXPECT_FALSE(store.pathForDomain(QStringLiteral("../../etc/passwd")).contains(QStringLiteral("/../")));
}

TEST(FileDefaultsStore, AnUnreadableDocumentIsKeptAsideAndNeverOverwritten) {
    QTemporaryDir tmp;
    FileDefaultsStore probe(tmp.path());
    const QString path = probe.pathForDomain(kDomain);
    const QByteArray garbage = "{\"com.vantorel.settings\": {\"base64\": \"eyJ9\"}, truncated";
    ASSERT_TRUE(writeFile(path, garbage));
    test::LogCapture log;
    FileDefaultsStore store(tmp.path());
    EXPECT_FALSE(store.value(kDomain, "com.vantorel.settings")); // treated as empty
    store.setValue(kDomain, "flag", true);

    ASSERT_EQ(setAside(path).size(), 1);
    EXPECT_EQ(fileContents(tmp.filePath(setAside(path).value(0))), garbage);
    EXPECT_EQ(FileDefaultsStore(tmp.path()).boolean(kDomain, "flag"), true);
    EXPECT_EQ(log.messages("defaults").size(), 1);
}

TEST(FileDefaultsStore, AWriterKilledAtAnyMomentLeavesAWholeDocument) {
    QTemporaryDir tmp;
    const QString writer = test::helperPath(QStringLiteral("defaults_writer"));
    ASSERT_TRUE(QFileInfo::exists(writer)) << writer.toStdString();
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
        const char fill = static_cast<char>('a' + counter % 26);
        EXPECT_EQ(blob->mid(colon + 1), QByteArray(256 * 1024, fill)) << "round " << round;
        EXPECT_TRUE(filesIn(tmp.path()).filter(QStringLiteral(".corrupt-")).isEmpty());
    }
}

TEST(FileDefaultsStore, OnlyRegularFilesAreReadAndAnythingElseIsSetAside) {
    QTemporaryDir tmp;
    FileDefaultsStore probe(tmp.path());
    const QString path = probe.pathForDomain(kDomain);
    const QByteArray native = QFile::encodeName(path);
    test::LogCapture log;

    // A link to a device would be read for ever; the link is moved, the device left alone.
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path));
    {
        FileDefaultsStore store(tmp.path());
        EXPECT_FALSE(store.value(kDomain, "flag"));
        store.setValue(kDomain, "flag", true);
        EXPECT_TRUE(store.lastError().isEmpty()) << store.lastError().toStdString();
    }
    ASSERT_EQ(setAside(path).size(), 1);
    EXPECT_EQ(QFileInfo(tmp.filePath(setAside(path).value(0))).symLinkTarget(), "/dev/zero");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
    EXPECT_EQ(FileDefaultsStore(tmp.path()).boolean(kDomain, "flag"), true);
    ASSERT_TRUE(QFile::remove(path));

    // A FIFO would block the start until someone writes to it.
    ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
    FileDefaultsStore fifoStore(tmp.path());
    auto read = std::async(std::launch::async, [&] { return fifoStore.value(kDomain, "flag"); });
    if (read.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        const int writer = ::open(native.constData(), O_WRONLY); // lets the blocked reader go
        ::close(writer);
        read.wait();
        FAIL() << "reading a FIFO blocked";
    }
    EXPECT_FALSE(read.get());
    EXPECT_EQ(setAside(path).size(), 2);

    // A folder in the document's place.
    ASSERT_TRUE(QDir().mkdir(path));
    EXPECT_FALSE(FileDefaultsStore(tmp.path()).value(kDomain, "flag"));
    EXPECT_EQ(setAside(path).size(), 3);
    EXPECT_EQ(log.messages("defaults").filter("not a regular file").size(), 3);
}

TEST(FileDefaultsStore, ALinkedDotfileIsReadAndWrittenThrough) {
    QTemporaryDir tmp;
    const QString dotfiles = tmp.filePath("dotfiles");
    ASSERT_TRUE(QDir().mkpath(dotfiles));
    const QString target = dotfiles + QStringLiteral("/vantorel.json");
    ASSERT_TRUE(writeFile(target, R"({"kept": "yes"})"));
    const QString dir = tmp.filePath("config");
    ASSERT_TRUE(QDir().mkpath(dir));
    FileDefaultsStore store(dir);
    ASSERT_TRUE(QFile::link(target, store.pathForDomain(kDomain)));

    EXPECT_EQ(store.string(kDomain, "kept"), "yes");
    store.setValue(kDomain, "flag", true);
    EXPECT_TRUE(QFileInfo(store.pathForDomain(kDomain)).isSymLink());
    EXPECT_TRUE(setAside(store.pathForDomain(kDomain)).isEmpty());
    FileDefaultsStore reread(dotfiles);
    EXPECT_EQ(reread.boolean(QStringLiteral("vantorel"), "flag"), true);
}

TEST(FileDefaultsStore, AnOversizedDocumentIsSetAsideUnread) {
    QTemporaryDir tmp;
    FileDefaultsStore probe(tmp.path());
    const QString path = probe.pathForDomain(kDomain);
    // Valid JSON, one byte over the limit.
    const QByteArray head = R"({"flag": true, "padding": ")";
    const QByteArray tail = "\"}";
    const qsizetype padding = FileDefaultsStore::kMaxDocumentSize + 1 - head.size() - tail.size();
    ASSERT_TRUE(writeFile(path, head + QByteArray(padding, 'x') + tail));
    ASSERT_EQ(QFileInfo(path).size(), FileDefaultsStore::kMaxDocumentSize + 1);

    test::LogCapture log;
    FileDefaultsStore store(tmp.path());
    EXPECT_FALSE(store.value(kDomain, "flag"));
    ASSERT_EQ(setAside(path).size(), 1);
    EXPECT_EQ(QFileInfo(tmp.filePath(setAside(path).value(0))).size(), FileDefaultsStore::kMaxDocumentSize + 1);
    EXPECT_EQ(log.messages("defaults").filter("larger than").size(), 1);

    // At the limit it is still a document.
    ASSERT_TRUE(writeFile(path, head + QByteArray(padding - 1, 'x') + tail));
    EXPECT_EQ(FileDefaultsStore(tmp.path()).boolean(kDomain, "flag"), true);
}

TEST(FileDefaultsStore, ADocumentThatCannotBeReadIsNeverWrittenOver) {
    QTemporaryDir tmp;
    // Writable by the other user too, so only the store's own refusal keeps the file.
    ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0777), 0);
    FileDefaultsStore probe(tmp.path());
    const QString path = probe.pathForDomain(kDomain);
    const QByteArray stored = R"({"com.vantorel.pinnedApps": ["org.gnome.Nautilus.desktop"], "flag": false})";
    ASSERT_TRUE(writeFile(path, stored));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);

    test::LogCapture log;
    FileDefaultsStore store(tmp.path());
    {
        AsOtherUserIfRoot other;
        EXPECT_FALSE(store.value(kDomain, "flag"));
        store.setValue(kDomain, "flag", true);
    }
    // The change lives in memory and its write is reported as failed.
    EXPECT_EQ(store.boolean(kDomain, "flag"), true);
    EXPECT_FALSE(store.lastError().isEmpty());
    EXPECT_EQ(fileContents(path), stored);
    EXPECT_TRUE(setAside(path).isEmpty());
    EXPECT_EQ(filesIn(tmp.path()), QStringList{QFileInfo(path).fileName()});
    EXPECT_EQ(log.messages("defaults").size(), 2) << log.messages("defaults").join('\n').toStdString();
}
