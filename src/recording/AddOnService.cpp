#include "recording/AddOnService.h"

#include "platform/Platform.h"
#include "platform/SpeechRecognizer.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

namespace vantorel {

QByteArray recordingAddonManifest(const QDateTime& installedAt) {
    // Qt::ISODate leaves out the milliseconds and writes UTC as "Z".
    const QString time = installedAt.toUTC().toString(Qt::ISODate);
    return QStringLiteral("{\n  \"id\": \"%1\",\n  \"name\": \"%2\",\n  \"installedAt\": \"%3\"\n}")
        .arg(QLatin1String(kRecordingAddonId), QLatin1String(kRecordingAddonName), time)
        .toUtf8();
}

AddOnEnvironment AddOnEnvironment::system() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)};
}

AddOnService::AddOnService(Scheduler& scheduler, const SpeechRecognizer* speech, AddOnEnvironment environment,
                           QObject* parent)
    : QObject(parent), scheduler_(scheduler), speech_(speech), environment_(std::move(environment)) {
    // One job at a time: a remove asked for during an install runs after it.
    pool_.setMaxThreadCount(1);
}

AddOnService::~AddOnService() {
    pool_.waitForDone();
}

AddOnService& AddOnService::shared() {
    static AddOnService* instance = [] {
        const Platform& p = Platform::installed();
        return new AddOnService(Scheduler::shared(), p.speechRecognizer, AddOnEnvironment::system());
    }();
    return *instance;
}

Result<QString> AddOnService::recordingAddonDirectory() const {
    if (environment_.applicationSupportDirectory.isEmpty())
        return Result<QString>::failure(QString::fromLatin1(kAppSupportUnavailable));
    return QDir(environment_.applicationSupportDirectory)
        .filePath(QStringLiteral("Vantorel/Add-ons/") + QLatin1String(kRecordingAddonId));
}

namespace {

QString describe(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message().c_str());
}

} // namespace

void AddOnService::installRecordingAddOn(std::function<void(Status)> completion) {
    const auto folder = recordingAddonDirectory();
    const QDateTime now = scheduler_.currentDateTime();
    const SpeechRecognizer* speech = speech_;
    run(
        [folder, now, speech]() -> Status {
            if (!folder)
                return Status::failure(folder.error());
            // The add-on is its transcripts: without the model it would only ever write empty ones.
            if (speech)
                if (const QString missing = speech->missingRequirement(); !missing.isEmpty())
                    return Status::failure(missing);
            std::error_code error;
            std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(*folder).toStdString()), error);
            if (error)
                return Status::failure(QStringLiteral("Cannot create the folder %1: %2").arg(*folder, describe(error)));
            QSaveFile file(QDir(*folder).filePath(QStringLiteral("manifest.json")));
            if (!file.open(QIODevice::WriteOnly))
                return Status::failure(file.errorString());
            file.write(recordingAddonManifest(now));
            if (!file.commit())
                return Status::failure(file.errorString());
            return Status::success();
        },
        std::move(completion));
}

void AddOnService::removeRecordingAddOn(std::function<void(Status)> completion) {
    const auto folder = recordingAddonDirectory();
    run(
        [folder]() -> Status {
            if (!folder)
                return Status::failure(folder.error());
            std::error_code error;
            std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(*folder).toStdString()), error);
            if (error)
                return Status::failure(QStringLiteral("Cannot remove the folder %1: %2").arg(*folder, describe(error)));
            return Status::success();
        },
        std::move(completion));
}

void AddOnService::run(std::function<Status()> work, std::function<void(Status)> completion) {
    pool_.start([this, work = std::move(work), completion = std::move(completion)] {
        const Status status = work();
        // Queued to this object: dropped if it is gone, and the destructor waits for this job.
        QMetaObject::invokeMethod(
            this, [completion, status] { completion(status); }, Qt::QueuedConnection);
    });
}

} // namespace vantorel
