#pragma once

#include "recording/RecordingAddonSettingsPanel.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace vantorel {

class AddOnService;
class Alerts;

struct RecordingAddonControlsDependencies {
    SettingsService& settings;
    Scheduler& scheduler;
    AddOnService& addOns;
    Alerts& alerts;
    const ThemeService& theme;
    // Watched while the add-on's settings window follows the system's look.
    const Theme* systemTheme = nullptr;
    QUrl modelsEndpoint = OllamaModelList::defaultEndpoint();
};

// The settings window's row for the recording add-on: its name, "Installed",
// "Not installed" or "Working...", and the buttons Download, Remove and
// Settings. Installing and removing write the add-on's files and then switch
// `recordingAddonInstalled`, which shows or hides the tray buttons; a failure
// changes no setting and says why in an alert.
class RecordingAddonControls : public QWidget {
    Q_OBJECT
public:
    explicit RecordingAddonControls(RecordingAddonControlsDependencies deps, QWidget* parent = nullptr);
    ~RecordingAddonControls() override;

    void downloadRecordingAddon();
    void removeRecordingAddon();
    // Makes the add-on's settings window once, shows it and reloads its models.
    void openRecordingAddonSettings();

    bool isActionInProgress() const { return actionInProgress_; }
    // Brings the status and buttons up to date with the settings.
    void syncUIFromSettings();

    QLabel* statusLabel() const { return status_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* settingsButton() const { return settingsButton_; }
    // None until Settings was pressed once.
    RecordingAddonSettingsWindowController* settingsController() const { return settingsController_.get(); }

Q_SIGNALS:
    // An install or remove has ended (after its alert, when it failed).
    void actionFinished();

private:
    void runAction(bool install);

    RecordingAddonControlsDependencies deps_;
    QLabel* status_;
    QPushButton* download_;
    QPushButton* remove_;
    QPushButton* settingsButton_;
    bool actionInProgress_ = false;
    std::unique_ptr<RecordingAddonSettingsWindowController> settingsController_;
};

} // namespace vantorel
