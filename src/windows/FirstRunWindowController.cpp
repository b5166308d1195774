#include "windows/FirstRunWindowController.h"

#include "app/LaunchAtLoginService.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "platform/Accessibility.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "widgets/ViewSupport.h"
#include "windows/SettingsWindowController.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace vantorel {

namespace {

const QString kAccessibilitySettings =
    QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");

QLabel* wrappingLabel(const QString& text, qreal size, QPalette::ColorRole role, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFont(systemFont(size, QFont::Normal));
    label->setForegroundRole(role);
    return label;
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(476);
    return line;
}

QPushButton* pushButton(const QString& title, const char* name, QWidget* parent) {
    auto* b = new QPushButton(title, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

QColor statusColor(bool granted, ResolvedTheme look) {
    const bool dark = look == ResolvedTheme::Dark;
    if (granted)
        return dark ? QColor(0x30, 0xd1, 0x58) : QColor(0x24, 0x8a, 0x3d);
    return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xd7, 0x00, 0x15);
}

} // namespace

FirstRunWindowController::FirstRunWindowController(FirstRunDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)) {
    build();
    launchAtLoginToggle_->setChecked(deps_.launchAtLogin ? deps_.launchAtLogin->isEnabled()
                                                         : deps_.settings.current().launchAtLogin);
    launchAtLoginToggle_->setEnabled(deps_.launchAtLogin != nullptr);
    updatePermissionStatusLabels();
}

FirstRunWindowController::~FirstRunWindowController() {
    // The settings window may hold alerts open on the first-run window's behalf; it goes first.
    settingsController_.reset();
}

QString FirstRunWindowController::desktopNote(bool systemDock) {
    if (systemDock)
        return QStringLiteral(
            "While Vantorel is running, the macOS Dock is set to auto-hide so the taskbar can take its place. Your "
            "Dock settings come back when you quit Vantorel. The first time you click Finder in the taskbar, macOS "
            "asks whether Vantorel may control Finder; allow it so Finder windows open and restore correctly.");
    return QStringLiteral(
        "While Vantorel is running, it keeps the bottom edge of every display for the taskbar, so maximised windows "
        "stay clear of it; the space is yours again when you quit Vantorel. Clicking your file manager in the "
        "taskbar brings its windows back, or opens one on your home folder.");
}

void FirstRunWindowController::build() {
    // Titled and closable only: its size is fixed.
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint);
    window_->setObjectName(QStringLiteral("firstRunWindow"));
    window_->setWindowTitle(QStringLiteral("Welcome to Vantorel"));
    window_->setFixedSize(kWindowSize);
    window_->setAutoFillBackground(true);
    window_->setPalette(ThemeService::palette(deps_.theme.resolve(deps_.settings.current().appearanceMode)));

    auto* stack = new QVBoxLayout(window_.get());
    stack->setContentsMargins(22, 22, 22, 20);
    stack->setSpacing(12);
    stack->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* title = new QLabel(QStringLiteral("Quick Setup"), window_.get());
    title->setFont(systemFont(22, QFont::Bold));
    stack->addWidget(title);
    stack->addWidget(wrappingLabel(
        QStringLiteral("Vantorel works best with a few permissions enabled. Run these once, then click Finish Setup."),
        13, QPalette::PlaceholderText, window_.get()));
    auto* note =
        wrappingLabel(desktopNote(deps_.platform.dock != nullptr), 12, QPalette::PlaceholderText, window_.get());
    note->setObjectName(QStringLiteral("desktopNote"));
    stack->addWidget(note);
    stack->addWidget(separator(window_.get()));

    auto stepRow = [this, stack](const QString& heading, const QString& detail, QPushButton* action, QLabel*& status,
                                 const char* statusName) {
        auto* row = new QWidget(window_.get());
        auto* grid = new QGridLayout(row);
        grid->setContentsMargins(0, 0, 0, 0);
        grid->setHorizontalSpacing(10);
        grid->setVerticalSpacing(0);
        auto* label = new QLabel(heading, row);
        label->setFont(systemFont(12, QFont::DemiBold));
        grid->addWidget(label, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
        action->setParent(row);
        grid->addWidget(action, 0, 1, Qt::AlignRight | Qt::AlignVCenter);
        auto* detailLabel = wrappingLabel(detail, 11, QPalette::PlaceholderText, row);
        detailLabel->setContentsMargins(0, 3, 0, 0);
        grid->addWidget(detailLabel, 1, 0, 1, 2);
        status = new QLabel(row);
        status->setObjectName(QLatin1String(statusName));
        status->setFont(systemFont(11, QFont::DemiBold));
        status->setContentsMargins(0, 4, 0, 0);
        grid->addWidget(status, 2, 0, 1, 2);
        grid->setColumnStretch(0, 1);
        row->setFixedWidth(476);
        stack->addWidget(row);
    };
    requestAccessibilityButton_ =
        pushButton(QStringLiteral("Request Accessibility"), "requestAccessibilityButton", window_.get());
    stepRow(QStringLiteral("Accessibility Access"),
            QStringLiteral("Needed for window focus controls, fullscreen handling, and Show Desktop."),
            requestAccessibilityButton_, accessibilityStatusLabel_, "accessibilityStatusLabel");
    requestScreenRecordingButton_ =
        pushButton(QStringLiteral("Open Screen Recording Settings"), "requestScreenRecordingButton", window_.get());
    stepRow(QStringLiteral("Screen Recording Access"), QStringLiteral("Needed for live window previews on app hover."),
            requestScreenRecordingButton_, screenRecordingStatusLabel_, "screenRecordingStatusLabel");

    launchAtLoginToggle_ = new QCheckBox(QStringLiteral("Launch at login"), window_.get());
    launchAtLoginToggle_->setObjectName(QStringLiteral("launchAtLoginToggle"));
    stack->addWidget(launchAtLoginToggle_);
    stack->addWidget(separator(window_.get()));

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    auto* openSettings = pushButton(QStringLiteral("Open Full Settings"), "openSettingsButton", window_.get());
    checkPermissionsButton_ = pushButton(QStringLiteral("Check Permissions"), "checkPermissionsButton", window_.get());
    checkPermissionsButton_->setMinimumWidth(140);
    auto* finish = pushButton(QStringLiteral("Finish Setup"), "finishSetupButton", window_.get());
    finish->setMinimumWidth(120);
    finish->setDefault(true);
    buttons->addWidget(openSettings);
    buttons->addWidget(checkPermissionsButton_);
    buttons->addStretch(1);
    buttons->addWidget(finish);
    auto* buttonRow = new QWidget(window_.get());
    buttonRow->setLayout(buttons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttonRow->setFixedWidth(476);
    stack->addWidget(buttonRow);
    stack->addStretch(1);

    connect(requestAccessibilityButton_, &QPushButton::clicked, this, &FirstRunWindowController::requestAccessibility);
    connect(requestScreenRecordingButton_, &QPushButton::clicked, this,
            &FirstRunWindowController::requestScreenRecording);
    connect(checkPermissionsButton_, &QPushButton::clicked, this, &FirstRunWindowController::checkPermissions);
    connect(launchAtLoginToggle_, &QCheckBox::clicked, this, &FirstRunWindowController::launchAtLoginChanged);
    connect(openSettings, &QPushButton::clicked, this, &FirstRunWindowController::openSettingsPanel);
    connect(finish, &QPushButton::clicked, this, &FirstRunWindowController::finishSetup);
    // Return finishes, as the default button of a dialog would.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), window_.get());
        connect(shortcut, &QShortcut::activated, finish, &QPushButton::click);
    }
}

void FirstRunWindowController::show() {
    if (!window_->isVisible())
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window_->move(screen->availableGeometry().center() - window_->rect().center());
    window_->show();
    window_->raise();
}

void FirstRunWindowController::close() {
    if (window_)
        window_->close();
}

FirstRunWindowController::PermissionState FirstRunWindowController::updatePermissionStatusLabels() {
    PermissionState state;
    state.accessibility = deps_.platform.accessibility && deps_.platform.accessibility->isProcessTrusted(false);
    state.screenRecording = deps_.platform.windowServer && deps_.platform.windowServer->screenCaptureAllowed();
    const auto look = deps_.theme.resolve(deps_.settings.current().appearanceMode);
    for (auto [label, granted] : {std::pair{accessibilityStatusLabel_, state.accessibility},
                                  std::pair{screenRecordingStatusLabel_, state.screenRecording}}) {
        label->setText(granted ? QStringLiteral("\u2705 Granted") : QStringLiteral("\u274C Not Granted"));
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, statusColor(granted, look));
        label->setPalette(p);
    }
    return state;
}

void FirstRunWindowController::requestAccessibility() {
    auto* ax = deps_.platform.accessibility;
    if (ax && !ax->isProcessTrusted(true) && deps_.platform.workspace)
        deps_.platform.workspace->openUrl(kAccessibilitySettings);
    updatePermissionStatusLabels();
}

void FirstRunWindowController::requestScreenRecording() {
    auto* server = deps_.platform.windowServer;
    if (!server)
        return;
    if (!server->screenCaptureAllowed())
        server->requestScreenCapture();
    if (const auto url = server->screenCaptureSettingsURL(); url && deps_.platform.workspace)
        deps_.platform.workspace->openUrl(*url);
}

void FirstRunWindowController::checkPermissions() {
    const PermissionState state = updatePermissionStatusLabels();
    // A grant made in the system's settings can take a moment to show.
    for (Duration delay : {kFirstRecheck, kSecondRecheck})
        deps_.scheduler.after(delay, this, [this] { updatePermissionStatusLabels(); });
    auto word = [](bool granted) { return granted ? QStringLiteral("Granted") : QStringLiteral("Not Granted"); };
    if (state.accessibility && state.screenRecording)
        deps_.platform.alerts->inform(
            AlertStyle::Informational, QStringLiteral("Permissions Granted"),
            QStringLiteral("Accessibility and Screen Recording permissions are currently granted."));
    else
        deps_.platform.alerts->inform(
            AlertStyle::Warning, QStringLiteral("Permissions Still Missing"),
            QStringLiteral("Accessibility: ") + word(state.accessibility) + QStringLiteral("\nScreen Recording: ") +
                word(state.screenRecording) +
                QStringLiteral("\n\nNote: Screen Recording permission may require fully quitting and reopening "
                               "Vantorel before it reports as granted."));
}

void FirstRunWindowController::launchAtLoginChanged() {
    auto* service = deps_.launchAtLogin;
    if (!service)
        return;
    const bool enabled = launchAtLoginToggle_->isChecked();
    const Status status = service->setEnabled(enabled);
    if (!status.ok()) {
        launchAtLoginToggle_->setChecked(service->isEnabled());
        deps_.platform.alerts->inform(AlertStyle::Warning, QStringLiteral("Unable to update Launch at Login"),
                                      status.error());
        return;
    }
    deps_.settings.update([&](AppSettings& s) { s.launchAtLogin = enabled; });
}

void FirstRunWindowController::openSettingsPanel() {
    if (!settingsController_ && deps_.makeSettingsWindow)
        settingsController_ = deps_.makeSettingsWindow();
    if (settingsController_)
        settingsController_->show();
}

void FirstRunWindowController::finishSetup() {
    const PermissionState state = updatePermissionStatusLabels();
    if (!state.accessibility || !state.screenRecording) {
        AlertSpec question;
        question.style = AlertStyle::Warning;
        question.message = QStringLiteral("Some permissions are still missing");
        question.informativeText =
            QStringLiteral("Vantorel can still run, but some features may not work until permissions are granted.");
        question.buttons = {QStringLiteral("Proceed Anyway"), QStringLiteral("Go Back")};
        if (deps_.platform.alerts->runModal(question) != 0)
            return;
    }
    deps_.settings.update([](AppSettings& s) { s.onboardingCompleted = true; });
    close();
    if (onFinish)
        onFinish();
}

} // namespace vantorel
