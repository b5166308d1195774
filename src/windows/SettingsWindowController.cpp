#include "windows/SettingsWindowController.h"

#include "account/AccountService.h"
#include "account/FeedbackController.h"
#include "app/AppInfo.h"
#include "app/DockService.h"
#include "app/LaunchAtLoginService.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/BundleInfo.h"
#include "platform/SystemInfo.h"
#include "platform/Theme.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "recording/RecordingAddonControls.h"
#include "widgets/ViewSupport.h"
#include "windows/AccountSettingsView.h"
#include "windows/FeedbackInboxView.h"
#include "windows/SettingsTexts.h"
#include "windows/SettingsWidgets.h"
#include "windows/UpdateService.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSlider>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTabBar>
#include <QVBoxLayout>

namespace vantorel {

namespace {

// The icon slider moves in tenths of a percent, so that a drag can land between two whole values.
constexpr int kSliderScale = 10;

QWidget* tabPage(QWidget* content) {
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->setFocusPolicy(Qt::NoFocus);
    return scroll;
}

QVBoxLayout* tabLayout(QWidget* content) {
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(28, 18, 28, 28);
    layout->setSpacing(22);
    return layout;
}

QPushButton* button(const QString& title, const char* name) {
    auto* b = new QPushButton(title);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(title);
    return b;
}

QLabel* statusLabel(const char* name, const QString& accessibleName) {
    auto* label = new QLabel;
    label->setObjectName(QLatin1String(name));
    label->setFont(systemFont(11, QFont::DemiBold));
    label->setAccessibleName(accessibleName);
    return label;
}

} // namespace

SettingsWindowController::SettingsWindowController(SettingsWindowDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)) {
    auto documents = deps_.documentsDirectory;
    if (!documents)
        documents = [] { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); };
    feedback_ = std::make_unique<FeedbackController>(deps_.account, *deps_.platform.alerts, documents);
    buildWindow();
    observe();
    syncUIFromSettings();
    refreshAppearanceIfNeeded();
    selectTab(Tab::General);
}

SettingsWindowController::~SettingsWindowController() {
    permissionRefreshTimer_.cancel();
    // The views hold the feedback controller; they go first.
    window_.reset();
}

// --- window and tabs ---

void SettingsWindowController::buildWindow() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window);
    window_->setObjectName(QStringLiteral("settingsWindow"));
    // A titled window (Qt adds the program's name): the desktop's task list and window switcher name it.
    window_->setWindowTitle(QStringLiteral("Settings"));
    window_->setWindowIcon(QIcon::fromTheme(QStringLiteral("preferences-system")));
    window_->setAccessibleName(QStringLiteral("Vantorel Settings"));
    window_->resize(kWindowSize);
    window_->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 12, 0, 0);
    layout->setSpacing(8);
    tabs_ = new QTabBar(window_.get());
    tabs_->setObjectName(QStringLiteral("settingsTabs"));
    tabs_->setAccessibleName(QStringLiteral("Settings sections"));
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    for (const char* title : {"General", "Add-ons", "Account", "About"})
        tabs_->addTab(QLatin1String(title));
    auto* tabRow = new QHBoxLayout;
    tabRow->addStretch();
    tabRow->addWidget(tabs_);
    tabRow->addStretch();
    layout->addLayout(tabRow);

    pages_ = new QStackedWidget(window_.get());
    layout->addWidget(pages_, 1);
    pages_->addWidget(tabPage(buildGeneralTab()));
    pages_->addWidget(tabPage(buildAddonsTab()));
    auto* account = new QWidget;
    accountView_ =
        new AccountSettingsView(AccountSettingsDependencies{deps_.account, *feedback_, *deps_.platform.alerts,
                                                            deps_.platform.workspace, deps_.settings, deps_.theme},
                                account);
    auto* accountLayout = tabLayout(account);
    accountLayout->addWidget(accountView_);
    accountLayout->addStretch();
    pages_->addWidget(tabPage(account));
    pages_->addWidget(tabPage(buildAboutTab()));

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { selectTab(static_cast<Tab>(index)); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window_.get());
    connect(escape, &QShortcut::activated, window_.get(), &QWidget::close);
}

void SettingsWindowController::selectTab(Tab tab) {
    const int index = static_cast<int>(tab);
    if (tabs_->currentIndex() != index)
        tabs_->setCurrentIndex(index); // comes back here
    pages_->setCurrentIndex(index);
    tabScrollArea(tab)->verticalScrollBar()->setValue(0);
}

SettingsWindowController::Tab SettingsWindowController::selectedTab() const {
    return static_cast<Tab>(pages_->currentIndex());
}

QScrollArea* SettingsWindowController::tabScrollArea(Tab tab) const {
    return static_cast<QScrollArea*>(pages_->widget(static_cast<int>(tab)));
}

void SettingsWindowController::show() {
    syncUIFromSettings();
    bringToFront();
    // The keyboard starts at the tabs each time the window comes up.
    tabs_->setFocus(Qt::ActiveWindowFocusReason);
    refreshPermissionStatus();
    startPermissionRefresh();
}

void SettingsWindowController::bringToFront() {
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void SettingsWindowController::alert(bool warning, const QString& title, const QString& text) {
    deps_.platform.alerts->inform(warning ? AlertStyle::Warning : AlertStyle::Informational, title, text);
}

// --- General ---

SwitchButton* SettingsWindowController::settingSwitch(const char* name, const QString& title) {
    auto* s = new SwitchButton(title);
    s->setObjectName(QLatin1String(name));
    return s;
}

QWidget* SettingsWindowController::buildGeneralTab() {
    auto* content = new QWidget;
    auto* layout = tabLayout(content);

    auto* taskbar = new SettingsSection(QStringLiteral("Taskbar"), QString(), content);
    struct Toggle {
        SwitchButton*& control;
        const char* name;
        QString title, detail;
        bool AppSettings::*field;
    };
    const Toggle toggles[] = {
        {combineWindowsToggle_, "combineWindowsToggle", QStringLiteral("Combine windows by app"),
         QStringLiteral("Off: one titled button per window (needs Accessibility)."), &AppSettings::combineWindowsByApp},
        {showTitlesToggle_, "showTitlesToggle", QStringLiteral("Show window titles in previews"),
         QStringLiteral("Label each thumbnail with its window's name."), &AppSettings::showWindowTitles},
        {autoHideToggle_, "autoHideToggle", QStringLiteral("Auto-hide"),
         QStringLiteral("Hide the taskbar until the pointer reaches the bottom edge."), &AppSettings::autoHideTaskbar},
        {allDisplaysToggle_, "allDisplaysToggle", QStringLiteral("Show on all displays"),
         QStringLiteral("Put a taskbar on every connected display."), &AppSettings::showOnAllDisplays},
    };
    for (const auto& t : toggles) {
        t.control = settingSwitch(t.name, t.title);
        taskbar->card()->addRow(t.title, t.detail, {t.control});
        connect(t.control, &QAbstractButton::clicked, this,
                [this, field = t.field](bool on) { deps_.settings.update([&](AppSettings& s) { s.*field = on; }); });
    }
    launchAtLoginToggle_ = settingSwitch("launchAtLoginToggle", QStringLiteral("Launch at login"));
    taskbar->card()->addRow(QStringLiteral("Launch at login"), QStringLiteral("Start Vantorel when you sign in."),
                            {launchAtLoginToggle_});
    connect(launchAtLoginToggle_, &QAbstractButton::clicked, this, [this](bool on) { setLaunchAtLogin(on); });
    layout->addWidget(taskbar);

    auto* appearance = new SettingsSection(QStringLiteral("Appearance"), QString(), content);
    appearancePopup_ = new QComboBox;
    appearancePopup_->setObjectName(QStringLiteral("appearancePopup"));
    appearancePopup_->addItems({QStringLiteral("Auto"), QStringLiteral("Light"), QStringLiteral("Dark")});
    const QString detail = deps_.platform.system
                               ? SettingsTexts::appearanceDetail(*deps_.platform.system)
                               : QStringLiteral("Match the desktop automatically or force a light or dark taskbar.");
    appearance->card()->addRow(QStringLiteral("Appearance"), detail, {appearancePopup_});
    connect(appearancePopup_, &QComboBox::activated, this, [this](int index) {
        const auto mode = kAllAppearanceModes[std::clamp<std::size_t>(index, 0, kAllAppearanceModes.size() - 1)];
        deps_.settings.update([&](AppSettings& s) { s.appearanceMode = mode; });
    });
    iconSlider_ = new QSlider(Qt::Horizontal);
    iconSlider_->setObjectName(QStringLiteral("iconSlider"));
    iconSlider_->setRange(60 * kSliderScale, 160 * kSliderScale);
    iconSlider_->setSingleStep(kSliderScale);
    iconSlider_->setPageStep(10 * kSliderScale);
    iconSlider_->setValue(100 * kSliderScale);
    iconSlider_->setFixedWidth(180);
    iconSliderValue_ = new QLabel(SettingsTexts::iconPercentLabel(100));
    iconSliderValue_->setObjectName(QStringLiteral("iconSliderValue"));
    iconSliderValue_->setMinimumWidth(40);
    iconSliderValue_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    appearance->card()->addRow(QStringLiteral("Icon size"),
                               QStringLiteral("Scale app icons without changing taskbar behavior."),
                               {iconSlider_, iconSliderValue_});
    iconSliderValue_->setAccessibleName(QStringLiteral("Icon size value"));
    connect(iconSlider_, &QSlider::valueChanged, this, &SettingsWindowController::iconSliderMoved);
    layout->addWidget(appearance);

    auto* permissions = new SettingsSection(QStringLiteral("Permissions"), QString(), content);
    accessibilityStatusLabel_ = statusLabel("accessibilityStatusLabel", QStringLiteral("Accessibility permission"));
    auto* requestAccessibility = button(QStringLiteral("Request"), "requestAccessibilityButton");
    requestAccessibility->setAccessibleName(QStringLiteral("Request Accessibility"));
    permissions->card()->addRow(QStringLiteral("Accessibility"),
                                QStringLiteral("Window controls, New Window, and Show Desktop."),
                                {accessibilityStatusLabel_, requestAccessibility});
    screenRecordingStatusLabel_ =
        statusLabel("screenRecordingStatusLabel", QStringLiteral("Screen Recording permission"));
    auto* requestScreen = button(QStringLiteral("Request"), "requestScreenRecordingButton");
    requestScreen->setAccessibleName(QStringLiteral("Request Screen Recording"));
    permissions->card()->addRow(QStringLiteral("Screen Recording"), QStringLiteral("Window thumbnails in previews."),
                                {screenRecordingStatusLabel_, requestScreen});
    connect(requestAccessibility, &QPushButton::clicked, this, [this] {
        if (deps_.platform.accessibility)
            deps_.platform.accessibility->isProcessTrusted(true);
        refreshPermissionStatus();
    });
    connect(requestScreen, &QPushButton::clicked, this, [this] {
        if (auto* server = deps_.platform.windowServer) {
            if (!server->screenCaptureAllowed())
                server->requestScreenCapture();
            if (const auto url = server->screenCaptureSettingsURL(); url && deps_.platform.workspace)
                deps_.platform.workspace->openUrl(*url);
        }
        refreshPermissionStatus();
    });
    layout->addWidget(permissions);
    layout->addStretch();
    return content;
}

void SettingsWindowController::setLaunchAtLogin(bool enabled) {
    auto* service = deps_.launchAtLogin;
    if (!service) {
        launchAtLoginToggle_->setChecked(deps_.settings.current().launchAtLogin);
        return;
    }
    const Status status = service->setEnabled(enabled);
    if (!status.ok()) {
        launchAtLoginToggle_->setChecked(service->isEnabled());
        alert(true, QStringLiteral("Unable to update Launch at Login"), status.error());
        return;
    }
    deps_.settings.update([&](AppSettings& s) { s.launchAtLogin = enabled; });
    launchAtLoginToggle_->setChecked(service->isEnabled());
}

void SettingsWindowController::iconSliderMoved(int value) {
    const int percent = SettingsTexts::iconPercent(static_cast<double>(value) / kSliderScale);
    iconSliderValue_->setText(SettingsTexts::iconPercentLabel(percent));
    deps_.settings.update([&](AppSettings& s) { s.iconScalePercent = percent; });
}

void SettingsWindowController::refreshPermissionStatus() {
    accessibilityGranted_ = deps_.platform.accessibility && deps_.platform.accessibility->isProcessTrusted(false);
    screenRecordingGranted_ = deps_.platform.windowServer && deps_.platform.windowServer->screenCaptureAllowed();
    const auto look = deps_.theme.resolve(deps_.settings.current().appearanceMode);
    for (auto [label, granted] : {std::pair{accessibilityStatusLabel_, accessibilityGranted_},
                                  std::pair{screenRecordingStatusLabel_, screenRecordingGranted_}}) {
        label->setText(SettingsTexts::permissionStatus(granted));
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, SettingsTexts::permissionColor(granted, look));
        label->setPalette(p);
    }
}

void SettingsWindowController::startPermissionRefresh() {
    permissionRefreshTimer_.cancel();
    permissionRefreshTimer_ = deps_.scheduler.every(kPermissionRefreshInterval, 500ms, this, [this] {
        if (!window_ || !window_->isVisible()) {
            permissionRefreshTimer_.cancel();
            return;
        }
        refreshPermissionStatus();
    });
}

// --- Add-ons ---

QWidget* SettingsWindowController::buildAddonsTab() {
    auto* content = new QWidget;
    auto* layout = tabLayout(content);

    auto* addOns = new SettingsSection(QStringLiteral("Add-ons"), QString(), content);
    auto* notice = new QWidget;
    auto* noticeLayout = new QHBoxLayout(notice);
    noticeLayout->setContentsMargins(0, 10, 0, 10);
    noticeLayout->setSpacing(14);
    auto* symbol = new QLabel(notice);
    symbol->setPixmap(
        QIcon::fromTheme(QStringLiteral("application-x-addon"), QIcon::fromTheme(QStringLiteral("package-x-generic")))
            .pixmap(32, 32));
    symbol->setAlignment(Qt::AlignTop);
    // Icon themes without an add-on symbol: the text stands alone.
    symbol->setVisible(!symbol->pixmap().isNull());
    noticeLayout->addWidget(symbol);
    auto* noticeTexts = new QVBoxLayout;
    auto* noticeTitle = new QLabel(QStringLiteral("Add-ons are coming soon"), notice);
    noticeTitle->setFont(systemFont(13, QFont::DemiBold));
    noticeTexts->addWidget(noticeTitle);
    noticeTexts->addWidget(secondaryLabel(QStringLiteral("Optional extras, starting with Recording & Transcription, "
                                                         "will show up here. Vantorel will let you know when "
                                                         "they're ready."),
                                          notice));
    noticeLayout->addLayout(noticeTexts, 1);
    addOns->card()->addWidget(notice);

    // The add-on itself: installed, removed and set up here.
    if (deps_.addOns) {
        recordingAddonControls_ = new RecordingAddonControls(
            RecordingAddonControlsDependencies{deps_.settings, deps_.scheduler, *deps_.addOns, *deps_.platform.alerts,
                                               deps_.theme, deps_.platform.theme},
            addOns->card());
        recordingAddonControls_->setObjectName(QStringLiteral("recordingAddonControls"));
        recordingAddonControls_->layout()->setContentsMargins(0, 8, 0, 8);
        addOns->card()->addWidget(recordingAddonControls_);
    } else {
        recordingAddonStatus_ = statusLabel("recordingAddonStatusLabel", QStringLiteral("Recording add-on status"));
        addOns->card()->addRow(QStringLiteral("Recording & Transcription"),
                               QStringLiteral("Record, transcribe on this computer and summarise."),
                               {recordingAddonStatus_});
    }
    layout->addWidget(addOns);

    auto* advanced = new SettingsSection(QStringLiteral("Advanced"), QString(), content);
    auto* prompt = new QWidget;
    auto* promptLayout = new QVBoxLayout(prompt);
    promptLayout->setContentsMargins(0, 8, 0, 8);
    auto* promptTitle = new QLabel(QStringLiteral("Summary instructions"), prompt);
    promptTitle->setFont(systemFont(13, QFont::Medium));
    promptLayout->addWidget(promptTitle);
    promptLayout->addWidget(secondaryLabel(
        QStringLiteral("How recordings are summarised. Empty instructions are saved as the default ones."), prompt));
    recordingPromptTextView_ = new QPlainTextEdit(prompt);
    recordingPromptTextView_->setObjectName(QStringLiteral("recordingPromptTextView"));
    recordingPromptTextView_->setAccessibleName(QStringLiteral("Summary instructions"));
    recordingPromptTextView_->setTabChangesFocus(true);
    recordingPromptTextView_->setFixedHeight(96);
    promptLayout->addWidget(recordingPromptTextView_);
    auto* promptButtons = new QHBoxLayout;
    promptButtons->addStretch();
    resetRecordingPromptButton_ = button(QStringLiteral("Reset"), "resetRecordingPromptButton");
    resetRecordingPromptButton_->setAccessibleName(QStringLiteral("Reset summary instructions"));
    saveRecordingPromptButton_ = button(QStringLiteral("Save Instructions"), "saveRecordingPromptButton");
    resetRecordingPromptButton_->setParent(prompt);
    saveRecordingPromptButton_->setParent(prompt);
    promptButtons->addWidget(resetRecordingPromptButton_);
    promptButtons->addWidget(saveRecordingPromptButton_);
    promptLayout->addLayout(promptButtons);
    advanced->card()->addWidget(prompt);
    connect(saveRecordingPromptButton_, &QPushButton::clicked, this, &SettingsWindowController::saveRecordingPrompt);
    connect(resetRecordingPromptButton_, &QPushButton::clicked, this, &SettingsWindowController::resetRecordingPrompt);

    restoreDockOnCrashToggle_ =
        settingSwitch("restoreDockOnCrashToggle", QStringLiteral("Restore the Dock after a crash"));
    advanced->card()->addRow(QStringLiteral("Restore the Dock after a crash"),
                             QStringLiteral("Gives the Dock its own settings back if Vantorel quits unexpectedly."),
                             {restoreDockOnCrashToggle_});
    // Without a system Dock there is nothing to restore.
    restoreDockOnCrashToggle_->parentWidget()->setVisible(deps_.dock && deps_.dock->hasSystemDock());
    connect(restoreDockOnCrashToggle_, &QAbstractButton::clicked, this,
            [this](bool on) { deps_.settings.update([&](AppSettings& s) { s.restoreDockOnCrash = on; }); });
    layout->addWidget(advanced);
    layout->addStretch();
    return content;
}

void SettingsWindowController::saveRecordingPrompt() {
    QString text = recordingPromptTextView_->toPlainText().trimmed();
    if (text.isEmpty())
        text = AppSettings::kDefaultSummaryInstructions;
    deps_.settings.update([&](AppSettings& s) { s.recordingSummaryInstructions = text; });
}

void SettingsWindowController::resetRecordingPrompt() {
    recordingPromptTextView_->setPlainText(AppSettings::kDefaultSummaryInstructions);
    deps_.settings.update(
        [](AppSettings& s) { s.recordingSummaryInstructions = AppSettings::kDefaultSummaryInstructions; });
}

// --- About ---

QWidget* SettingsWindowController::buildAboutTab() {
    auto* content = new QWidget;
    auto* layout = tabLayout(content);

    auto* banner = new SettingsCard(content);
    banner->setObjectName(QStringLiteral("updateAvailableRow"));
    updateAvailableLabel_ = new QLabel;
    updateAvailableLabel_->setObjectName(QStringLiteral("updateAvailableLabel"));
    updateAvailableLabel_->setFont(systemFont(13, QFont::DemiBold));
    installUpdateButton_ = button(QStringLiteral("Install Update"), "installUpdateButton");
    auto* bannerRow = banner->addRow(QString(), QString(), {updateAvailableLabel_, installUpdateButton_});
    bannerRow->setStretch(0, 0);
    bannerRow->insertStretch(2, 1);
    updateAvailableRow_ = banner;
    layout->addWidget(banner);
    connect(installUpdateButton_, &QPushButton::clicked, this, [this] {
        bringToFront();
        deps_.updates.checkForUpdates();
    });

    const QString version = deps_.platform.bundle ? AppInfo::version(*deps_.platform.bundle) : AppInfo::version();
    versionSection_ = new SettingsSection(SettingsTexts::versionTitle(version), QString(), content);
    versionSection_->setObjectName(QStringLiteral("versionSection"));
    autoUpdateToggle_ = settingSwitch("autoUpdateToggle", QStringLiteral("Check for updates automatically"));
    versionSection_->card()->addRow(QStringLiteral("Check for updates automatically"),
                                    QStringLiteral("Checks daily and asks before installing."), {autoUpdateToggle_});
    connect(autoUpdateToggle_, &QAbstractButton::clicked, this,
            [this](bool on) { deps_.updates.setAutomaticallyChecksForUpdates(on); });
    whatsNewButton_ = button(QStringLiteral("What's New\u2026"), "whatsNewButton");
    checkForUpdatesButton_ = button(QStringLiteral("Check Now"), "checkForUpdatesButton");
    checkForUpdatesButton_->setAccessibleName(QStringLiteral("Check for updates now"));
    versionSection_->card()->addRow(QStringLiteral("Updates"),
                                    QStringLiteral("See what changed, or look for a new version now."),
                                    {whatsNewButton_, checkForUpdatesButton_});
    connect(whatsNewButton_, &QPushButton::clicked, this, [this] {
        if (onShowWhatsNew)
            onShowWhatsNew();
    });
    connect(checkForUpdatesButton_, &QPushButton::clicked, this, [this] {
        bringToFront();
        deps_.updates.checkForUpdates();
    });
    layout->addWidget(versionSection_);

    auto* feedbackSection = new SettingsSection(QStringLiteral("Feedback"), QString(), content);
    auto* feedbackRow = new QWidget;
    auto* feedbackLayout = new QVBoxLayout(feedbackRow);
    feedbackLayout->setContentsMargins(0, 8, 0, 8);
    auto* feedbackTitle = new QLabel(QStringLiteral("Feedback message"), feedbackRow);
    feedbackTitle->setFont(systemFont(13, QFont::Medium));
    feedbackLayout->addWidget(feedbackTitle);
    feedbackLayout->addWidget(
        secondaryLabel(QStringLiteral("Goes to the developer. Signed-in feedback includes your email."), feedbackRow));
    feedbackTextView_ = new QPlainTextEdit(feedbackRow);
    feedbackTextView_->setObjectName(QStringLiteral("feedbackTextView"));
    feedbackTextView_->setAccessibleName(QStringLiteral("Feedback message"));
    feedbackTextView_->setTabChangesFocus(true);
    feedbackTextView_->setFixedHeight(96);
    feedbackLayout->addWidget(feedbackTextView_);
    auto* sendRow = new QHBoxLayout;
    feedbackCategoryPopup_ = new QComboBox(feedbackRow);
    feedbackCategoryPopup_->setObjectName(QStringLiteral("feedbackCategoryPopup"));
    feedbackCategoryPopup_->setAccessibleName(QStringLiteral("Feedback category"));
    for (auto c : kFeedbackCategories)
        feedbackCategoryPopup_->addItem(menuTitle(c));
    sendFeedbackButton_ = button(QStringLiteral("Send Feedback"), "sendFeedbackButton");
    sendFeedbackButton_->setParent(feedbackRow);
    sendRow->addWidget(feedbackCategoryPopup_);
    sendRow->addStretch();
    sendRow->addWidget(sendFeedbackButton_);
    feedbackLayout->addLayout(sendRow);
    feedbackSection->card()->addWidget(feedbackRow);
    connect(sendFeedbackButton_, &QPushButton::clicked, this, &SettingsWindowController::sendFeedback);
    connect(feedback_.get(), &FeedbackController::sendingChanged, this,
            [this] { sendFeedbackButton_->setEnabled(!feedback_->isSending()); });
    connect(feedback_.get(), &FeedbackController::feedbackSent, this, [this] { feedbackTextView_->clear(); });
    layout->addWidget(feedbackSection);

    troubleshootingSection_ = new SettingsSection(QStringLiteral("Troubleshooting"), QString(), content);
    auto* restartDock = button(QStringLiteral("Restart"), "restartDockButton");
    restartDock->setAccessibleName(QStringLiteral("Restart Dock"));
    troubleshootingSection_->card()->addRow(
        QStringLiteral("Restart Dock"),
        QStringLiteral("Fixes Cmd-Tab or Mission Control if they stop responding. The Dock stays hidden."),
        {restartDock});
    connect(restartDock, &QPushButton::clicked, this, [this] {
        if (deps_.dock)
            deps_.dock->restartDock();
    });
    // Only where there is a system Dock; the section holds nothing else.
    troubleshootingSection_->setVisible(deps_.dock && deps_.dock->hasSystemDock());
    layout->addWidget(troubleshootingSection_);

    auto* support = new SettingsSection(QStringLiteral("Support"), QString(), content);
    auto* donate = button(QStringLiteral("Donate"), "donateButton");
    support->card()->addRow(QStringLiteral("Support development"),
                            QStringLiteral("Contribute to development or leave a thank-you donation."), {donate});
    connect(donate, &QPushButton::clicked, this, [this] {
        if (!deps_.platform.bundle || !deps_.platform.workspace)
            return;
        if (const auto url = SettingsTexts::donationURL(*deps_.platform.bundle))
            deps_.platform.workspace->openUrl(url->toString());
    });
    layout->addWidget(support);
    layout->addStretch();
    return content;
}

void SettingsWindowController::sendFeedback() {
    feedback_->sendFeedback(feedbackTextView_->toPlainText(), feedbackCategoryPopup_->currentIndex());
}

// --- bringing the window up to date ---

void SettingsWindowController::observe() {
    auto refresh = [this] {
        syncUIFromSettings();
        refreshAppearanceIfNeeded();
    };
    connect(&deps_.settings, &SettingsService::didChange, this, refresh);
    connect(&deps_.account, &AccountService::stateDidChange, this, refresh);
    connect(&deps_.updates, &UpdateService::availabilityDidChange, this, refresh);
    // The banner tells how far the download of the update is.
    connect(&deps_.updates, &UpdateService::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (const auto available = deps_.updates.availableVersion())
            updateAvailableLabel_->setText(SettingsTexts::updateDownloading(*available, received, total));
    });
    if (deps_.platform.theme)
        connect(deps_.platform.theme, &Theme::systemThemeChanged, this, refresh);
}

void SettingsWindowController::syncUIFromSettings() {
    const AppSettings& s = deps_.settings.current();
    combineWindowsToggle_->setChecked(s.combineWindowsByApp);
    showTitlesToggle_->setChecked(s.showWindowTitles);
    autoHideToggle_->setChecked(s.autoHideTaskbar);
    allDisplaysToggle_->setChecked(s.showOnAllDisplays);
    launchAtLoginToggle_->setChecked(deps_.launchAtLogin ? deps_.launchAtLogin->isEnabled() : s.launchAtLogin);
    launchAtLoginToggle_->setEnabled(deps_.launchAtLogin != nullptr);
    restoreDockOnCrashToggle_->setChecked(s.restoreDockOnCrash);
    for (std::size_t i = 0; i < kAllAppearanceModes.size(); ++i)
        if (kAllAppearanceModes[i] == s.appearanceMode)
            appearancePopup_->setCurrentIndex(static_cast<int>(i));
    const int percent = SettingsTexts::iconPercent(s.iconScalePercent);
    {
        const QSignalBlocker quiet(iconSlider_);
        if (!iconSlider_->isSliderDown())
            iconSlider_->setValue(qRound(s.iconScalePercent * kSliderScale));
    }
    iconSliderValue_->setText(SettingsTexts::iconPercentLabel(percent));

    // Unsaved edits survive changes of other settings.
    if (s.recordingSummaryInstructions != lastSyncedRecordingPrompt_) {
        recordingPromptTextView_->setPlainText(s.recordingSummaryInstructions);
        lastSyncedRecordingPrompt_ = s.recordingSummaryInstructions;
    }
    if (recordingAddonStatus_)
        recordingAddonStatus_->setText(s.recordingAddonInstalled ? QStringLiteral("Installed")
                                                                 : QStringLiteral("Not installed"));

    accountView_->syncFromAccount();

    const auto available = deps_.updates.availableVersion();
    updateAvailableRow_->setVisible(available.has_value());
    updateAvailableLabel_->setText(available ? SettingsTexts::updateAvailable(*available) : QString());
    const bool configured = deps_.updates.isConfigured();
    versionSection_->setSubtitle(SettingsTexts::versionSubtitle(configured));
    autoUpdateToggle_->setEnabled(configured);
    autoUpdateToggle_->setChecked(configured && deps_.updates.automaticallyChecksForUpdates());
    checkForUpdatesButton_->setEnabled(configured);
}

QString SettingsWindowController::appearanceSignature() const {
    const auto mode = deps_.settings.current().appearanceMode;
    const auto look = deps_.theme.resolve(mode);
    return rawValue(mode) + u'/' + (look == ResolvedTheme::Dark ? QStringLiteral("dark") : QStringLiteral("light"));
}

void SettingsWindowController::refreshAppearanceIfNeeded() {
    const QString signature = appearanceSignature();
    if (signature == renderedAppearanceSignature_)
        return;
    renderedAppearanceSignature_ = signature;
    window_->setPalette(ThemeService::palette(deps_.theme.resolve(deps_.settings.current().appearanceMode)));
    accountView_->inbox()->applyAppearance();
    refreshPermissionStatus();
}

} // namespace vantorel
