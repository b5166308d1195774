#pragma once

#include "core/Scheduler.h"
#include "platform/Platform.h"

#include <QObject>
#include <QSize>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QStackedWidget;
class QTabBar;
class QWidget;

namespace vantorel {

class AccountService;
class AccountSettingsView;
class AddOnService;
class RecordingAddonControls;
class DockService;
class FeedbackController;
class LaunchAtLoginService;
class SettingsSection;
class SettingsService;
class SwitchButton;
class ThemeService;
class UpdateService;

struct SettingsWindowDependencies {
    // Alerts, accessibility, the window server (both permissions), the
    // workspace (URLs), the bundle, the system's words and its look.
    Platform platform;
    Scheduler& scheduler;
    SettingsService& settings;
    ThemeService& theme;
    UpdateService& updates;
    AccountService& account;
    // None: the switch shows the stored setting and cannot be changed.
    LaunchAtLoginService* launchAtLogin = nullptr;
    // Restart Dock and the crash-restore switch appear only with a system Dock.
    DockService* dock = nullptr;
    // The user's documents folder for feedback copies; empty when there is none.
    std::function<QString()> documentsDirectory = {};
    // Installs and removes the recording add-on; none leaves its row telling the state only.
    AddOnService* addOns = nullptr;
};

// The settings window: General, Add-ons, Account and About. It writes every
// setting through the settings service and keeps no state of its own beyond
// what it shows; each settings, account, update and system-look notice brings
// it up to date. Made once by its owner and kept; closing only hides it.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    enum class Tab { General, Addons, Account, About };
    static constexpr QSize kWindowSize{640, 720};
    static constexpr Duration kPermissionRefreshInterval = 2000ms;

    explicit SettingsWindowController(SettingsWindowDependencies deps, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Brings the window to the front with the keyboard focus, reads both
    // permissions at once and starts their refresh.
    void show();
    QWidget* window() const { return window_.get(); }

    void selectTab(Tab tab);
    Tab selectedTab() const;
    QScrollArea* tabScrollArea(Tab tab) const;

    // Copies every setting, the account, the permissions and the update state into the controls.
    void syncUIFromSettings();
    // Applies the look when the appearance setting or the system's look changed since it was last applied.
    void refreshAppearanceIfNeeded();
    bool hasPermissionRefresh() const { return permissionRefreshTimer_.isActive(); }

    AccountSettingsView* accountView() const { return accountView_; }
    // The recording add-on's row: status, Download, Remove and Settings; none without the add-on service.
    RecordingAddonControls* recordingAddonControls() const { return recordingAddonControls_; }
    FeedbackController& feedback() const { return *feedback_; }

    // "What's New…": the changelog window, which its owner shows.
    std::function<void()> onShowWhatsNew;

private:
    void buildWindow();
    QWidget* buildGeneralTab();
    QWidget* buildAddonsTab();
    QWidget* buildAboutTab();
    SwitchButton* settingSwitch(const char* name, const QString& title);
    void observe();
    void refreshPermissionStatus();
    void startPermissionRefresh();
    void setLaunchAtLogin(bool enabled);
    void iconSliderMoved(int value);
    void saveRecordingPrompt();
    void resetRecordingPrompt();
    void sendFeedback();
    void bringToFront();
    void alert(bool warning, const QString& title, const QString& text);
    QString appearanceSignature() const;

    SettingsWindowDependencies deps_;
    std::unique_ptr<FeedbackController> feedback_;
    std::unique_ptr<QWidget> window_;
    QTabBar* tabs_ = nullptr;
    QStackedWidget* pages_ = nullptr;

    SwitchButton* combineWindowsToggle_ = nullptr;
    SwitchButton* showTitlesToggle_ = nullptr;
    SwitchButton* autoHideToggle_ = nullptr;
    SwitchButton* allDisplaysToggle_ = nullptr;
    SwitchButton* launchAtLoginToggle_ = nullptr;
    SwitchButton* restoreDockOnCrashToggle_ = nullptr;
    QComboBox* appearancePopup_ = nullptr;
    QSlider* iconSlider_ = nullptr;
    QLabel* iconSliderValue_ = nullptr;
    QLabel* accessibilityStatusLabel_ = nullptr;
    QLabel* screenRecordingStatusLabel_ = nullptr;
    ScheduledTask permissionRefreshTimer_;
    bool accessibilityGranted_ = false;
    bool screenRecordingGranted_ = false;

    QPlainTextEdit* recordingPromptTextView_ = nullptr;
    QPushButton* saveRecordingPromptButton_ = nullptr;
    QPushButton* resetRecordingPromptButton_ = nullptr;
    QString lastSyncedRecordingPrompt_;
    RecordingAddonControls* recordingAddonControls_ = nullptr;
    QLabel* recordingAddonStatus_ = nullptr;

    AccountSettingsView* accountView_ = nullptr;

    QWidget* updateAvailableRow_ = nullptr;
    QLabel* updateAvailableLabel_ = nullptr;
    QPushButton* installUpdateButton_ = nullptr;
    SettingsSection* versionSection_ = nullptr;
    SwitchButton* autoUpdateToggle_ = nullptr;
    QPushButton* whatsNewButton_ = nullptr;
    QPushButton* checkForUpdatesButton_ = nullptr;
    QPlainTextEdit* feedbackTextView_ = nullptr;
    QComboBox* feedbackCategoryPopup_ = nullptr;
    QPushButton* sendFeedbackButton_ = nullptr;
    SettingsSection* troubleshootingSection_ = nullptr;

    QString renderedAppearanceSignature_;
};

} // namespace vantorel
