#include "updates/AppcastUpdater.h"

#include "core/Log.h"
#include "platform/DefaultsStore.h"
#include "platform/PackageInstaller.h"
#include "updates/PackageSignature.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSaveFile>

namespace vantorel {

namespace {

QString networkError(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status >= 200 && status < 300)
        return {};
    if (status >= 400)
        return QStringLiteral("The update server answered with status %1.").arg(status);
    return QStringLiteral("The update server could not be reached: %1").arg(reply->errorString());
}

// "vantorel_2.1_amd64.deb" from the download address; a plain name otherwise.
QString packageFileName(const AppcastItem& item) {
    QString name = QFileInfo(item.url.path()).fileName();
    if (name.isEmpty() || name.startsWith(u'.'))
        name = QStringLiteral("vantorel_%1.deb").arg(item.version);
    return name;
}

} // namespace

AppcastUpdater::AppcastUpdater(AppcastUpdaterConfig config, QObject* parent)
    : QObject(parent), config_(std::move(config)), network_(std::make_unique<QNetworkAccessManager>()) {}

AppcastUpdater::~AppcastUpdater() {
    stall_.cancel();
    for (QNetworkReply* r : {check_.data(), download_.data()})
        if (r) {
            r->disconnect(this);
            r->abort();
        }
}

bool AppcastUpdater::automaticallyChecksForUpdates() const {
    return config_.defaults.boolean(config_.domain, kAutomaticChecksKey).value_or(true);
}

void AppcastUpdater::setAutomaticallyChecksForUpdates(bool on) {
    config_.defaults.setValue(config_.domain, kAutomaticChecksKey, on);
}

void AppcastUpdater::watchStall(QNetworkReply* reply) {
    stall_.cancel();
    QPointer<QNetworkReply> watched(reply);
    stall_ = config_.scheduler.after(kStallTimeout, this, [watched] {
        if (watched)
            watched->abort();
    });
}

void AppcastUpdater::checkForUpdateInformation() {
    if (check_)
        return;
    QNetworkRequest request(config_.feedURL);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Vantorel/%1").arg(config_.currentVersion));
    check_ = network_->get(request);
    watchStall(check_);
    connect(check_, &QNetworkReply::downloadProgress, this, [this] { watchStall(check_); });
    connect(check_, &QNetworkReply::finished, this, &AppcastUpdater::checkFinished);
}

void AppcastUpdater::checkFinished() {
    QNetworkReply* reply = check_;
    check_ = nullptr;
    stall_.cancel();
    reply->deleteLater();
    if (const QString error = networkError(reply); !error.isEmpty()) {
        Log::updates().error(QStringLiteral("Update check failed: ") + error);
        Q_EMIT checkFailed(error);
        return;
    }
    const auto items = Appcast::parse(reply->readAll());
    if (!items.ok()) {
        Log::updates().error(items.error());
        Q_EMIT checkFailed(items.error());
        return;
    }
    if (const auto newest = Appcast::newestUpdate(*items, config_.currentVersion))
        Q_EMIT didFindValidUpdate(*newest);
    else
        Q_EMIT didNotFindUpdate();
}

void AppcastUpdater::installUpdate(const AppcastItem& item) {
    if (isInstalling())
        return;
    QNetworkRequest request(item.url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Vantorel/%1").arg(config_.currentVersion));
    download_ = network_->get(request);
    watchStall(download_);
    connect(download_, &QNetworkReply::downloadProgress, this, [this, item](qint64 received, qint64 total) {
        watchStall(download_);
        // A package longer than the feed says is refused without reading the rest.
        if (received > item.length && download_) {
            download_->setProperty("tooLong", true);
            download_->abort();
            return;
        }
        Q_EMIT downloadProgress(received, total > 0 ? total : item.length);
    });
    connect(download_, &QNetworkReply::finished, this, [this, item] { downloadFinished(item); });
}

void AppcastUpdater::downloadFinished(const AppcastItem& item) {
    QNetworkReply* reply = download_;
    download_ = nullptr;
    stall_.cancel();
    reply->deleteLater();
    if (reply->property("tooLong").toBool()) {
        refuse(item, QStringLiteral("The update is longer than the %1 bytes the feed says.").arg(item.length));
        return;
    }
    if (const QString error = networkError(reply); !error.isEmpty()) {
        Log::updates().error(QStringLiteral("Update download failed: ") + error);
        Q_EMIT installFinished(Status::failure(error));
        return;
    }
    const QByteArray package = reply->readAll();
    if (const Status verified = PackageSignature::verify(package, item.length, item.edSignature, config_.publicKey);
        !verified.ok()) {
        refuse(item, verified.error());
        return;
    }
    QDir().mkpath(config_.downloadDirectory);
    const QString path = QDir(config_.downloadDirectory).filePath(packageFileName(item));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(package) != package.size() || !file.commit()) {
        const QString why = QStringLiteral("The update could not be saved to %1: %2").arg(path, file.errorString());
        Log::updates().error(why);
        Q_EMIT installFinished(Status::failure(why));
        return;
    }
    Log::updates().info(QStringLiteral("Update %1 verified, installing %2").arg(item.displayVersion(), path));
    installing_ = true;
    QPointer<AppcastUpdater> self(this);
    config_.installer.install(path, [self](Status status) {
        if (self)
            self->finishInstall(std::move(status));
    });
}

void AppcastUpdater::refuse(const AppcastItem& item, const QString& why) {
    Log::updates().error(QStringLiteral("Update %1 refused: %2").arg(item.displayVersion(), why));
    Q_EMIT updateRefused(why);
}

void AppcastUpdater::finishInstall(Status status) {
    installing_ = false;
    if (!status.ok())
        Log::updates().error(QStringLiteral("Update installation failed: ") + status.error());
    Q_EMIT installFinished(status);
}

} // namespace vantorel
