#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace vantorel {

enum class AppearanceMode { Auto, Light, Dark };
enum class RecordingOutputFormat { Md, Txt };

inline constexpr std::array kAllAppearanceModes{AppearanceMode::Auto, AppearanceMode::Light, AppearanceMode::Dark};
inline constexpr std::array kAllRecordingOutputFormats{RecordingOutputFormat::Md, RecordingOutputFormat::Txt};

QString rawValue(AppearanceMode mode);
QString rawValue(RecordingOutputFormat format);
std::optional<AppearanceMode> appearanceModeFromRaw(const QString& raw);
std::optional<RecordingOutputFormat> recordingOutputFormatFromRaw(const QString& raw);

// The one record of user settings. Compared field by field.
struct AppSettings {
    static const QString kDefaultSummaryInstructions;

    bool combineWindowsByApp = true;
    bool autoHideTaskbar = false;
    bool showOnAllDisplays = false;
    double iconScalePercent = 100.0;
    bool launchAtLogin = false;
    bool showWindowTitles = true;
    bool restoreDockOnCrash = true;
    AppearanceMode appearanceMode = AppearanceMode::Auto;
    bool recordingAddonInstalled = false;
    RecordingOutputFormat recordingOutputFormat = RecordingOutputFormat::Md;
    QString recordingSummaryInstructions = kDefaultSummaryInstructions;
    bool recordingUseAISummary = false;
    QString recordingOllamaModel = QStringLiteral("llama3.2");
    bool onboardingCompleted = false;

    friend bool operator==(const AppSettings&, const AppSettings&) = default;

    // All fourteen keys, in field order. Fails (nothing) when a number has no
    // JSON form (NaN or infinity).
    std::optional<QByteArray> toJson() const;
    // Missing or null keys take their defaults; a wrong type or an unknown
    // enumeration value fails the whole decode; unknown keys are ignored.
    static std::optional<AppSettings> fromJson(const QByteArray& json);
};

// Icon scale: iconScalePercent / 100 clamped to 0.6 ... 1.6.
double iconScale(double iconScalePercent);

} // namespace vantorel
