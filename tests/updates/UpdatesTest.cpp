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
    QList<QByteArray> contents;
    void install(const QString& path, std::function<void(Status)> completion) override {
        QFile f(path);
        contents << (f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        completion(Status::success());
    }
};

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
};

} // namespace

// By number, not as text: 1.10 follows 1.9, and a beta comes before its release.
TEST(UpdateVersions, CompareByNumbers) {
    EXPECT_GT(Appcast::compareVersions("1.10", "1.9"), 0);
    EXPECT_LT(Appcast::compareVersions("1.2b1", "1.2"), 0);
}

TEST(Updater, HandsOnlyAnUnchangedPackageSignedByOurKeyToTheInstaller) {
    UpdatesFixture f;
    f.configure("1.1.3", f.key.publicBase64(), f.server.url("/appcast.xml").toString());
    f.service->start();
    AppcastUpdater& updater = *f.service->updater();
    const QByteArray good(96 * 1024, 'v');
    QByteArray changed = good;
    changed[4000] = static_cast<char>(changed[4000] ^ 0x01);
    f.server.answer("GET /good.deb", {200, good, "application/octet-stream"});
    f.server.answer("GET /changed.deb", {200, changed, "application/octet-stream"});

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
    };
    for (const Case& c : refused) {
        QSignalSpy refusedSpy(&updater, &AppcastUpdater::updateRefused);
        updater.installUpdate(c.item);
        ASSERT_TRUE(waitUntil([&] { return refusedSpy.count() == 1; })) << c.name;
        EXPECT_TRUE(refusedSpy.front().front().toString().contains(QLatin1String(c.says)))
            << c.name << ": " << refusedSpy.front().front().toString().toStdString();
        EXPECT_TRUE(f.installer.contents.isEmpty()) << c.name;
    }
    EXPECT_TRUE(QDir(f.downloads.path()).isEmpty()) << "nothing refused is left to install";
    // The user hears of each, with the reason.
    ASSERT_EQ(f.desktop.shownAlerts.size(), std::size(refused));
    EXPECT_EQ(f.desktop.shownAlerts[0].message, "Update Refused");
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

    // A build without its key asks nothing of anyone.
    f.configure("7.0", "REPLACE_WITH_KEY", f.server.url("/appcast.xml").toString());
    f.service->start();
    f.scheduler.advance(7h);
    EXPECT_TRUE(f.server.requests.empty());

    // Configured: a quiet probe 15 s after start and every 6 h, until the user turns them off.
    f.configure("7.0", publicKey, f.server.url("/appcast.xml").toString());
    f.service->start();
    auto probes = [&](Duration d) {
        f.scheduler.advance(d);
        waitUntil([&] { return f.service->updater()->canCheckForUpdates(); });
        return f.server.requests.size();
    };
    EXPECT_EQ(probes(14s), 0u);
    EXPECT_EQ(probes(1s), 1u);
    EXPECT_EQ(f.service->availableVersion(), "7.0.1");
    EXPECT_EQ(probes(6h), 2u);
    f.service->setAutomaticallyChecksForUpdates(false);
    EXPECT_EQ(probes(12h), 2u);
    EXPECT_TRUE(f.desktop.shownAlerts.empty()) << "probes are quiet";
    f.server.requests.clear();

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
