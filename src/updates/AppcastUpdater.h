#pragma once

#include "core/Result.h"
#include "core/Scheduler.h"
#include "updates/Appcast.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;

namespace vantorel {

class DefaultsStore;
class PackageInstaller;

struct AppcastUpdaterConfig {
    QUrl feedURL;
    QString publicKey; // base64 Ed25519
    QString currentVersion;
    // Where the automatic-check preference is kept (the program's domain).
    DefaultsStore& defaults;
    QString domain;
    PackageInstaller& installer;
    Scheduler& scheduler;
    // Where verified packages are written before the installer gets them.
    QString downloadDirectory;
};

// The program's own updater: reads the update feed, finds a newer version,
// downloads its package, and hands it to the system's installer only after
// its length and Ed25519 signature matched this build's public key.
class AppcastUpdater : public QObject {
    Q_OBJECT
public:
    static inline const QString kAutomaticChecksKey = QStringLiteral("com.vantorel.updates.automaticallyChecks");
    // A transfer that receives nothing for this long is given up.
    static constexpr Duration kStallTimeout = 60s;

    explicit AppcastUpdater(AppcastUpdaterConfig config, QObject* parent = nullptr);
    ~AppcastUpdater() override;

    // Asks the feed, quietly; answers with one of the three check signals.
    void checkForUpdateInformation();
    // False while a check or an installation runs.
    bool canCheckForUpdates() const { return !check_ && !download_ && !installing_; }
    bool isInstalling() const { return download_ || installing_; }

    // Downloads the item's package (downloadProgress), verifies it and hands
    // it on; ends with updateRefused or installFinished.
    void installUpdate(const AppcastItem& item);

    // On unless the user turned it off; kept in the defaults store.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);

    const QString& currentVersion() const { return config_.currentVersion; }

Q_SIGNALS:
    void didFindValidUpdate(const vantorel::AppcastItem& item);
    void didNotFindUpdate();
    void checkFailed(const QString& message);
    void downloadProgress(qint64 received, qint64 total);
    // The package did not pass its checks and was not handed on.
    void updateRefused(const QString& message);
    // The installer's answer, or why the package never reached it (download failed).
    void installFinished(const vantorel::Status& status);

private:
    void checkFinished();
    void downloadFinished(const AppcastItem& item);
    void watchStall(QNetworkReply* reply);
    void refuse(const AppcastItem& item, const QString& why);
    void finishInstall(Status status);

    AppcastUpdaterConfig config_;
    std::unique_ptr<QNetworkAccessManager> network_;
    QPointer<QNetworkReply> check_;
    QPointer<QNetworkReply> download_;
    ScheduledTask stall_;
    bool installing_ = false;
};

} // namespace vantorel
