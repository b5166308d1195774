#include "recording/RecordingAddonSettingsPanel.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "platform/Theme.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

} // namespace

RecordingAddonSettingsPanel::RecordingAddonSettingsPanel(RecordingAddonSettingsDependencies deps, QWidget* parent)
    : QWidget(parent), deps_(std::move(deps)), models_(deps_.scheduler, deps_.modelsEndpoint),
      outputPopup_(new QComboBox(this)), useAIToggle_(new QCheckBox(QStringLiteral("Use AI summarization"), this)),
      modelPopup_(new QComboBox(this)), instructionsView_(new QPlainTextEdit(this)),
      saveInstructionsButton_(new QPushButton(QStringLiteral("Save Instructions"), this)),
      resetInstructionsButton_(new QPushButton(QStringLiteral("Reset"), this)) {
    outputPopup_->addItems({QStringLiteral("Markdown (.md)"), QStringLiteral("Text (.txt)")});
    fillModelPopup();

    auto* stack = new QVBoxLayout(this);
    stack->setSpacing(10);
    stack->setContentsMargins(20, 16, 20, 20);

    stack->addWidget(heading(QStringLiteral("Output"), this));
    auto* output = new QHBoxLayout;
    auto* outputLabel = new QLabel(QStringLiteral("Output format"), this);
    outputLabel->setBuddy(outputPopup_);
    output->addWidget(outputLabel);
    output->addStretch();
    output->addWidget(outputPopup_);
    stack->addLayout(output);

    stack->addWidget(heading(QStringLiteral("Model"), this));
    auto* model = new QHBoxLayout;
    model->addWidget(useAIToggle_);
    model->addStretch();
    model->addWidget(modelPopup_);
    stack->addLayout(model);
    stack->addWidget(note(QStringLiteral("The better the model, the more work for your computer."), this));

    auto* instructionsLabel = heading(QStringLiteral("Summarization Instructions"), this);
    instructionsLabel->setBuddy(instructionsView_);
    stack->addWidget(instructionsLabel);
    instructionsView_->setTabChangesFocus(true);
    stack->addWidget(instructionsView_, 1);
    stack->addWidget(
        note(QStringLiteral("Examples: \"5 bullet points\", \"single paragraph\", \"one sentence\"."), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(resetInstructionsButton_);
    buttons->addWidget(saveInstructionsButton_);
    stack->addLayout(buttons);
    setTabOrder(instructionsView_, resetInstructionsButton_);
    setTabOrder(resetInstructionsButton_, saveInstructionsButton_);

    outputPopup_->setAccessibleName(QStringLiteral("Output format"));
    modelPopup_->setAccessibleName(QStringLiteral("Model"));
    instructionsView_->setAccessibleName(QStringLiteral("Summarization Instructions"));

    // User actions only: what syncUIFromSettings sets writes nothing back.
    connect(outputPopup_, &QComboBox::activated, this, [this](int index) {
        deps_.settings.update([index](AppSettings& s) {
            s.recordingOutputFormat = index == 1 ? RecordingOutputFormat::Txt : RecordingOutputFormat::Md;
        });
    });
    connect(useAIToggle_, &QCheckBox::clicked, this,
            [this](bool on) { deps_.settings.update([on](AppSettings& s) { s.recordingUseAISummary = on; }); });
    connect(modelPopup_, &QComboBox::activated, this, [this](int index) {
        if (modelOptions_.empty())
            return;
        const QString id = modelOptions_[std::size_t(std::clamp(index, 0, int(modelOptions_.size()) - 1))].id;
        deps_.settings.update([&id](AppSettings& s) { s.recordingOllamaModel = id; });
    });
    connect(saveInstructionsButton_, &QPushButton::clicked, this, [this] { saveInstructions(); });
    connect(resetInstructionsButton_, &QPushButton::clicked, this, [this] { resetInstructions(); });
    connect(&deps_.settings, &SettingsService::didChange, this, [this] { syncUIFromSettings(); });
    syncUIFromSettings();
}

void RecordingAddonSettingsPanel::syncUIFromSettings() {
    const AppSettings& s = deps_.settings.current();
    {
        const QSignalBlocker blockOutput(outputPopup_);
        const QSignalBlocker blockToggle(useAIToggle_);
        const QSignalBlocker blockModel(modelPopup_);
        outputPopup_->setCurrentIndex(s.recordingOutputFormat == RecordingOutputFormat::Txt ? 1 : 0);
        useAIToggle_->setChecked(s.recordingUseAISummary);
        modelPopup_->setCurrentIndex(modelOptionIndex(modelOptions_, s.recordingOllamaModel));
    }
    if (s.recordingSummaryInstructions != lastSyncedInstructions_) {
        instructionsView_->setPlainText(s.recordingSummaryInstructions);
        lastSyncedInstructions_ = s.recordingSummaryInstructions;
    }
    const bool installed = s.recordingAddonInstalled;
    outputPopup_->setEnabled(installed);
    useAIToggle_->setEnabled(installed);
    instructionsView_->setEnabled(installed);
    instructionsView_->setReadOnly(!installed);
    saveInstructionsButton_->setEnabled(installed);
    resetInstructionsButton_->setEnabled(installed);
    modelPopup_->setEnabled(installed && s.recordingUseAISummary);
}

void RecordingAddonSettingsPanel::loadInstalledModels() {
    models_.fetch([this](const QStringList& names) { applyInstalledModels(names); });
}

void RecordingAddonSettingsPanel::applyInstalledModels(const QStringList& names) {
    if (names.isEmpty()) {
        modelPopup_->setToolTip(QString::fromLatin1(kOllamaUnreachableToolTip));
    } else {
        modelOptions_ = installedModelOptions(names, deps_.settings.current().recordingOllamaModel);
        fillModelPopup();
        modelPopup_->setToolTip(QString());
        syncUIFromSettings();
    }
    Q_EMIT installedModelsApplied();
}

void RecordingAddonSettingsPanel::fillModelPopup() {
    const QSignalBlocker block(modelPopup_);
    modelPopup_->clear();
    for (const auto& option : modelOptions_)
        modelPopup_->addItem(option.label);
}

void RecordingAddonSettingsPanel::saveInstructions() {
    QString text = instructionsView_->toPlainText().trimmed();
    if (text.isEmpty())
        text = AppSettings::kDefaultSummaryInstructions;
    deps_.settings.update([&text](AppSettings& s) { s.recordingSummaryInstructions = text; });
}

void RecordingAddonSettingsPanel::resetInstructions() {
    instructionsView_->setPlainText(AppSettings::kDefaultSummaryInstructions);
    deps_.settings.update(
        [](AppSettings& s) { s.recordingSummaryInstructions = AppSettings::kDefaultSummaryInstructions; });
}

RecordingAddonSettingsWindowController::RecordingAddonSettingsWindowController(RecordingAddonSettingsDependencies deps,
                                                                               const ThemeService& theme,
                                                                               const Theme* systemTheme,
                                                                               QObject* parent)
    : QObject(parent), settings_(deps.settings), theme_(theme),
      window_(std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowCloseButtonHint)),
      panel_(new RecordingAddonSettingsPanel(std::move(deps), window_.get())) {
    window_->setWindowTitle(QStringLiteral("Recording Add-on Settings"));
    window_->setFixedSize(kWindowSize);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_);
    connect(&settings_, &SettingsService::didChange, this, [this] { applyAppearance(); });
    if (systemTheme)
        connect(systemTheme, &Theme::systemThemeChanged, this, [this] { applyAppearance(); });
    applyAppearance();
}

RecordingAddonSettingsWindowController::~RecordingAddonSettingsWindowController() = default;

void RecordingAddonSettingsWindowController::showWindow() {
    window_->show();
    window_->raise();
    window_->activateWindow();
    panel_->loadInstalledModels();
}

void RecordingAddonSettingsWindowController::applyAppearance() {
    const QPalette palette = ThemeService::palette(theme_.resolve(settings_.current().appearanceMode));
    window_->setPalette(palette);
    // A menu's list stands in a window of its own that takes the application's
    // menu palette, not ours; the list itself keeps what it is given.
    for (QComboBox* box : window_->findChildren<QComboBox*>())
        box->view()->setPalette(palette);
}

} // namespace vantorel
