#pragma once

#include "core/Scheduler.h"
#include "recording/OllamaModels.h"

#include <QUrl>
#include <QWidget>
#include <vector>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace vantorel {

class SettingsService;
class Theme;
class ThemeService;

struct RecordingAddonSettingsDependencies {
    SettingsService& settings;
    Scheduler& scheduler;
    // The local server's list of models.
    QUrl modelsEndpoint = OllamaModelList::defaultEndpoint();
};

// The recording add-on's own settings: output format, AI summary and its
// model, the summary instructions. Every control writes one setting through
// the settings service and shows what the settings say after each change
// notice; while the add-on is not installed the controls are disabled. A
// widget of its own, so a settings window can hold it as well as its own window.
class RecordingAddonSettingsPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecordingAddonSettingsPanel(RecordingAddonSettingsDependencies deps, QWidget* parent = nullptr);

    // Copies the settings into the controls; instructions only when the stored
    // value changed, so that unsaved edits survive unrelated changes.
    void syncUIFromSettings();
    // Asks the local server for its models and lists them, or keeps the list
    // and says why in the model menu's tool tip.
    void loadInstalledModels();

    const std::vector<ModelOption>& modelOptions() const { return modelOptions_; }
    QComboBox* outputPopup() const { return outputPopup_; }
    QCheckBox* useAIToggle() const { return useAIToggle_; }
    QComboBox* modelPopup() const { return modelPopup_; }
    QPlainTextEdit* instructionsView() const { return instructionsView_; }
    QPushButton* saveInstructionsButton() const { return saveInstructionsButton_; }
    QPushButton* resetInstructionsButton() const { return resetInstructionsButton_; }

Q_SIGNALS:
    // The server's answer (or its absence) is in the model menu.
    void installedModelsApplied();

private:
    void applyInstalledModels(const QStringList& names);
    void fillModelPopup();
    void saveInstructions();
    void resetInstructions();

    RecordingAddonSettingsDependencies deps_;
    OllamaModelList models_;
    QComboBox* outputPopup_;
    QCheckBox* useAIToggle_;
    QComboBox* modelPopup_;
    QPlainTextEdit* instructionsView_;
    QPushButton* saveInstructionsButton_;
    QPushButton* resetInstructionsButton_;
    QString lastSyncedInstructions_;
    std::vector<ModelOption> modelOptions_ = suggestedModelOptions();
};

// The panel in a window of its own, "Recording Add-on Settings", 460 × 420,
// in the look the appearance setting asks for. Made once and kept; closing
// only hides it.
class RecordingAddonSettingsWindowController : public QObject {
    Q_OBJECT
public:
    // The system theme is watched while the appearance follows it; none watches nothing.
    RecordingAddonSettingsWindowController(RecordingAddonSettingsDependencies deps, const ThemeService& theme,
                                           const Theme* systemTheme = nullptr, QObject* parent = nullptr);
    ~RecordingAddonSettingsWindowController() override;

    // Brings the window to the front with the keyboard focus and reloads the models.
    void showWindow();
    QWidget* window() const { return window_.get(); }
    RecordingAddonSettingsPanel* panel() const { return panel_; }

    static constexpr QSize kWindowSize{460, 420};

private:
    void applyAppearance();

    SettingsService& settings_;
    const ThemeService& theme_;
    std::unique_ptr<QWidget> window_;
    RecordingAddonSettingsPanel* panel_;
};

} // namespace vantorel
