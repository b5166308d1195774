#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

#include "core/ManualScheduler.h"
#include "platform/PackageInstaller.h"
#include "platform/sim/SimDesktop.h"
#include "updates/Appcast.h"
#include "updates/AppcastUpdater.h"
#include "windows/UpdateService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sodium.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

struct KeyPair {
    QByteArray publicKey = QByteArray(crypto_sign_PUBLICKEYBYTES, '\0');
    QByteArray secretKey = QByteArray(crypto_sign_SECRETKEYBYTES, '\0');
    KeyPair() {
        EXPECT_GE(sodium_init(), 0);
        crypto_sign_keypair(reinterpret_cast<unsigned char*>(publicKey.data()),
                            reinterpret_cast<unsigned char*>(secretKey.data()));
    }
    QString publicBase64() const { return QString::fromLatin1(publicKey.toBase64()); }
    QString sign(const QByteArray& data) const {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(data.constData()),
                             static_cast<unsigned long long>(data.size()),
                             reinterpret_cast<const unsigned char*>(secretKey.constData()));
        return QString::fromLatin1(signature.toBase64());
    }
};

// Stands in for the system's installer: records what it was handed and whether the file was there.
struct RecordingInstaller : PackageInstaller {
    QStringList paths;
    QList<QByteArray> contents;
    void install(const QString& path, std::function<void(Status)> completion) override {
        paths << path;
        QFile f(path);
        contents << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        completion(Status::success());
    }
};

QByteArray feed(const QList<QByteArray>& items) {
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:v=\"https://example.com/feed\"><channel>"
           "<title>Updates</title>" +
           items.join('\n') + "</channel></rss>";
}

QByteArray item(const QString& version, const QUrl& url, qint64 length, const QString& signature) {
    return QStringLiteral("<item><title>Vantorel %1</title><v:version>%1</v:version>"
                          "<enclosure url=\"%2\" length=\"%3\" type=\"application/octet-stream\" "
                          "v:edSignature=\"%4\"/></item>")
        .arg(version, url.toString())
        .arg(length)
        .arg(signature)
        .toUtf8();
}

QByteArray packageBytes(char seed) {
    QByteArray bytes(96 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + seed) & 0xff);
    return bytes;
}

struct UpdatesFixture {
    SimDesktop desktop;
    ManualScheduler scheduler;
    LoopbackHttpServer server;
    RecordingInstaller installer;
    QTemporaryDir downloads;
    KeyPair key;
    std::unique_ptr<UpdateService> service;

    void configure(const QString& version, const QString& publicKey, const QString& feedUrl) {
        desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = version;
        desktop.infoKeys[QStringLiteral("SUPublicEDKey")] = publicKey;
        desktop.infoKeys[QStringLiteral("SUFeedURL")] = feedUrl;
        service = std::make_unique<UpdateService>(UpdateServiceDependencies{desktop, scheduler, desktop.memoryDefaults,
                                                                            desktop, &installer, downloads.path()});
    }
    void serveFeed(const QList<QByteArray>& items) {
        server.answer("GET /appcast.xml", {200, feed(items), "application/xml"});
    }
    // Runs virtual time forward and waits for the feed's answer to be handled.
    void probeAfter(Duration d, int expectedRequests) {
        scheduler.advance(d);
        ASSERT_TRUE(waitUntil([&] {
            return static_cast<int>(server.requests.size()) >= expectedRequests &&
                   service->updater()->canCheckForUpdates();
        }));
    }
};

} // namespace

TEST(UpdateVersions, CompareByNumbersAndPickTheNewest) {
    EXPECT_EQ(Appcast::compareVersions("2.0", "2"), 0);
    EXPECT_LT(Appcast::compareVersions("1.2b1", "1.2"), 0);
    const QUrl url(QStringLiteral("https://example.com/p.deb"));
    const auto items = Appcast::parse(feed({item("1.9", url, 1, "s"), item("1.10", url, 1, "s"),
                                            item("1.8", url, 1, "s"), "<item><title>no enclosure</title></item>"}));
    ASSERT_TRUE(items.ok());
    ASSERT_EQ(items->size(), 3u);
    EXPECT_EQ(Appcast::newestUpdate(*items, "1.9")->version, "1.10");
    EXPECT_FALSE(Appcast::newestUpdate(*items, "1.10"));
    EXPECT_FALSE(Appcast::parse("<rss><channel><item>").ok());
}

TEST(UpdateService, StaysOffUnlessConfiguredAndPostsOnlyWhenTheFoundVersionChanges) {
    UpdatesFixture f;
    const QString feedUrl = f.server.url("/appcast.xml").toString();
    f.configure("1.9", "REPLACE_WITH_KEY", feedUrl);
    f.service->start();
    EXPECT_EQ(f.service->updater(), nullptr);
    f.scheduler.advance(7h);
    f.service->checkForUpdates();
    EXPECT_TRUE(f.server.requests.empty());
    EXPECT_TRUE(f.desktop.shownAlerts.empty()) << "an unconfigured build does nothing on Check Now";
    f.desktop.infoKeys[QStringLiteral("SUPublicEDKey")] = f.key.publicBase64();
    f.desktop.infoKeys[QStringLiteral("SUFeedURL")] = QStringLiteral("not a url");
    EXPECT_FALSE(UpdateService::isConfigured(f.desktop));

    const QUrl package = f.server.url("/vantorel_1.10_amd64.deb");
    f.serveFeed({item("1.10", package, 10, "c2ln"), item("1.8", package, 10, "c2ln")});
    f.configure("1.9", f.key.publicBase64(), feedUrl);
    QSignalSpy posted(f.service.get(), &UpdateService::availabilityDidChange);
    f.service->start();
    f.scheduler.advance(14s);
    EXPECT_TRUE(f.server.requests.empty()) << "the first probe waits 15 s";
    f.probeAfter(1s, 1);
    EXPECT_EQ(f.service->availableVersion(), "1.10");
    EXPECT_EQ(posted.count(), 1);
    f.probeAfter(6h, 2);
    EXPECT_EQ(posted.count(), 1) << "the same version again posts nothing";
    f.serveFeed({item("1.9", package, 10, "c2ln")});
    f.probeAfter(6h, 3);
    EXPECT_EQ(f.service->availableVersion(), std::nullopt);
    EXPECT_EQ(posted.count(), 2);
    EXPECT_TRUE(f.desktop.shownAlerts.empty()) << "probes are quiet";

    // Automatic checks are the updater's own stored preference: off, the probes stop.
    f.service->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(f.desktop.memoryDefaults.boolean("com.vantorel.app", AppcastUpdater::kAutomaticChecksKey), false);
    f.scheduler.advance(12h);
    EXPECT_EQ(f.server.requests.size(), 3u);
    f.service->checkForUpdates();
    ASSERT_TRUE(waitUntil([&] { return !f.desktop.shownAlerts.empty(); }));
    EXPECT_EQ(f.desktop.shownAlerts.back().message, "You're up to date!");
}

TEST(Updater, HandsOnlyAnUnchangedPackageSignedByOurKeyToTheInstaller) {
    UpdatesFixture f;
    f.configure("1.1.3", f.key.publicBase64(), f.server.url("/appcast.xml").toString());
    f.service->start();
    AppcastUpdater& updater = *f.service->updater();
    const QByteArray good = packageBytes(1);
    QByteArray changed = good;
    changed[4000] = static_cast<char>(changed[4000] ^ 0x01);
    f.server.answer("GET /good.deb", {200, good, "application/octet-stream"});
    f.server.answer("GET /changed.deb", {200, changed, "application/octet-stream"});
    f.server.answer("GET /missing.deb", {404, "gone", "text/plain"});

    struct Case {
        const char* name;
        AppcastItem item;
        const char* says;
    };
    auto at = [&](const char* path) { return f.server.url(QString::fromLatin1(path)); };
    const qint64 n = good.size();
    const Case refused[] = {
        {"bytes changed", {"", "2.0", "", at("/changed.deb"), n, f.key.sign(good)}, "signature does not match"},
        {"shorter than the feed says", {"", "2.0", "", at("/good.deb"), n + 1, f.key.sign(good)}, "bytes long"},
        {"longer than the feed says", {"", "2.0", "", at("/good.deb"), n - 100, f.key.sign(good)}, "longer than"},
        {"no signature", {"", "2.0", "", at("/good.deb"), n, ""}, "no valid signature"},
    };
    for (const Case& c : refused) {
        QSignalSpy refusedSpy(&updater, &AppcastUpdater::updateRefused);
        updater.installUpdate(c.item);
        ASSERT_TRUE(waitUntil([&] { return refusedSpy.count() == 1; })) << c.name;
        EXPECT_TRUE(refusedSpy.front().front().toString().contains(QLatin1String(c.says)))
            << c.name << ": " << refusedSpy.front().front().toString().toStdString();
        EXPECT_TRUE(f.installer.paths.isEmpty()) << c.name;
    }
    QStringList failures;
    QObject::connect(&updater, &AppcastUpdater::installFinished, [&](const Status& s) { failures << s.error(); });
    updater.installUpdate({"", "2.0", "", at("/missing.deb"), n, f.key.sign(good)});
    ASSERT_TRUE(waitUntil([&] { return failures.size() == 1; }));
    EXPECT_TRUE(failures[0].contains("404")) << failures[0].toStdString();
    EXPECT_TRUE(f.installer.paths.isEmpty());
    EXPECT_TRUE(QDir(f.downloads.path()).isEmpty()) << "nothing refused is left to install";

    // The user hears of each, with the reason.
    ASSERT_EQ(f.desktop.shownAlerts.size(), std::size(refused) + 1);
    EXPECT_EQ(f.desktop.shownAlerts[0].message, "Update Refused");
    EXPECT_EQ(f.desktop.shownAlerts.back().message, "Unable to Install Update");
}

// A signed package reaching the installer: the user's check finds the release, asks, downloads with
// progress and installs it.
TEST(Updater, InstallsAPackageThatTheSigningScriptSigned) {
    QTemporaryDir dir;
    auto run = [&](const QString& program, const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
        EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    QDir(dir.path()).mkpath("pkg/DEBIAN");
    QFile control(dir.filePath("pkg/DEBIAN/control"));
    ASSERT_TRUE(control.open(QIODevice::WriteOnly));
    control.write("Package: vantorel\nVersion: 7.0.1\nArchitecture: amd64\nMaintainer: T <t@example.com>\n"
                  "Description: test\n");
    control.close();
    run("dpkg-deb", {"--build", "--root-owner-group", "pkg", "vantorel_7.0.1_amd64.deb"});
    const QString publicKey = run(VANTOREL_SIGN_UPDATE, {"--generate-key", "key.pem"});

    UpdatesFixture f;
    const QUrl url = f.server.url("/vantorel_7.0.1_amd64.deb");
    run(VANTOREL_SIGN_UPDATE, {"key.pem", "vantorel_7.0.1_amd64.deb", url.toString(), "--feed", "appcast.xml"});
    QFile deb(dir.filePath("vantorel_7.0.1_amd64.deb"));
    QFile appcast(dir.filePath("appcast.xml"));
    ASSERT_TRUE(deb.open(QIODevice::ReadOnly) && appcast.open(QIODevice::ReadOnly));
    const QByteArray package = deb.readAll();
    f.server.answer("GET " + url.path().toLatin1(), {200, package, "application/vnd.debian.binary-package"});
    f.server.answer("GET /appcast.xml", {200, appcast.readAll(), "application/xml"});

    f.configure("7.0", publicKey, f.server.url("/appcast.xml").toString());
    f.service->start();
    f.desktop.scriptedAlertAnswers = {0, 0}; // Install Update, then OK
    QSignalSpy progress(f.service.get(), &UpdateService::downloadProgress);
    f.service->checkForUpdates();
    ASSERT_TRUE(waitUntil([&] { return f.desktop.shownAlerts.size() == 2; }));
    EXPECT_EQ(f.desktop.shownAlerts[0].buttons, (QStringList{"Install Update", "Remind Me Later"}));
    EXPECT_EQ(f.desktop.shownAlerts[1].message, "Update Installed")
        << f.desktop.shownAlerts[1].informativeText.toStdString();
    ASSERT_EQ(f.installer.contents.size(), 1);
    EXPECT_EQ(f.installer.contents[0], package);
    ASSERT_GE(progress.count(), 1);
    EXPECT_EQ(progress.back().at(0).toLongLong(), package.size());
}
