#include "recording/RecordingAddonControls.h"

#include "app/SettingsService.h"
#include "platform/Alerts.h"
#include "recording/AddOnService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantorel {

RecordingAddonControls::RecordingAddonControls(RecordingAddonControlsDependencies deps, QWidget* parent)
    : QWidget(parent), deps_(std::move(deps)), status_(new QLabel(this)),
      download_(new QPushButton(QStringLiteral("Download"), this)),
      remove_(new QPushButton(QStringLiteral("Remove"), this)),
      settingsButton_(new QPushButton(QStringLiteral("Settings"), this)) {
    auto* row = new QHBoxLayout(this);
    auto* text = new QVBoxLayout;
    auto* title = new QLabel(QString::fromUtf8(kRecordingAddonName), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    text->addWidget(title);
    text->addWidget(status_);
    row->addLayout(text);
    row->addStretch();
    row->addWidget(download_);
    row->addWidget(remove_);
    row->addWidget(settingsButton_);
    status_->setAccessibleName(QStringLiteral("Recording & Transcription status"));
    settingsButton_->setAccessibleName(QStringLiteral("Recording & Transcription settings"));

    connect(download_, &QPushButton::clicked, this, [this] { downloadRecordingAddon(); });
    connect(remove_, &QPushButton::clicked, this, [this] { removeRecordingAddon(); });
    connect(settingsButton_, &QPushButton::clicked, this, [this] { openRecordingAddonSettings(); });
    connect(&deps_.settings, &SettingsService::didChange, this, [this] { syncUIFromSettings(); });
    syncUIFromSettings();
}

RecordingAddonControls::~RecordingAddonControls() = default;

void RecordingAddonControls::syncUIFromSettings() {
    const bool installed = deps_.settings.current().recordingAddonInstalled;
    status_->setText(actionInProgress_ ? QStringLiteral("Working...")
                     : installed       ? QStringLiteral("Installed")
                                       : QStringLiteral("Not installed"));
    download_->setEnabled(!actionInProgress_ && !installed);
    remove_->setEnabled(!actionInProgress_ && installed);
    settingsButton_->setEnabled(!actionInProgress_ && installed);
}

void RecordingAddonControls::downloadRecordingAddon() {
    runAction(true);
}

void RecordingAddonControls::removeRecordingAddon() {
    runAction(false);
}

void RecordingAddonControls::runAction(bool install) {
    if (actionInProgress_)
        return;
    actionInProgress_ = true;
    syncUIFromSettings();
    QPointer<RecordingAddonControls> self(this);
    SettingsService& settings = deps_.settings;
    Alerts& alerts = deps_.alerts;
    // The outcome stands even when the row is gone by then.
    auto done = [self, &settings, &alerts, install](Status status) {
        if (self) {
            self->actionInProgress_ = false;
            self->syncUIFromSettings();
        }
        if (status) {
            settings.update([install](AppSettings& s) { s.recordingAddonInstalled = install; });
        } else {
            alerts.inform(AlertStyle::Warning,
                          install ? QStringLiteral("Unable to Download Add-on")
                                  : QStringLiteral("Unable to Remove Add-on"),
                          status.error());
        }
        if (self)
            Q_EMIT self->actionFinished();
    };
    if (install)
        deps_.addOns.installRecordingAddOn(done);
    else
        deps_.addOns.removeRecordingAddOn(done);
}

void RecordingAddonControls::openRecordingAddonSettings() {
    if (!settingsController_)
        settingsController_ = std::make_unique<RecordingAddonSettingsWindowController>(
            RecordingAddonSettingsDependencies{deps_.settings, deps_.scheduler, deps_.modelsEndpoint}, deps_.theme,
            deps_.systemTheme);
    settingsController_->showWindow();
}

} // namespace vantorel
