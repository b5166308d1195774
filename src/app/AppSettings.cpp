#include "app/AppSettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace vantorel {

const QString AppSettings::kDefaultSummaryInstructions = QStringLiteral(
    "Summarize the recording into:\n1. A short overview sentence.\n2. 3 concise key points.\n"
    "3. Any concrete action items or follow-ups, if present.\nDo not invent details that are not in the transcript.");

QString rawValue(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::Auto:
        return QStringLiteral("auto");
    case AppearanceMode::Light:
        return QStringLiteral("light");
    case AppearanceMode::Dark:
        return QStringLiteral("dark");
    }
    return {};
}

QString rawValue(RecordingOutputFormat format) {
    return format == RecordingOutputFormat::Md ? QStringLiteral("md") : QStringLiteral("txt");
}

std::optional<AppearanceMode> appearanceModeFromRaw(const QString& raw) {
    for (auto m : kAllAppearanceModes)
        if (rawValue(m) == raw)
            return m;
    return std::nullopt;
}

std::optional<RecordingOutputFormat> recordingOutputFormatFromRaw(const QString& raw) {
    for (auto f : kAllRecordingOutputFormats)
        if (rawValue(f) == raw)
            return f;
    return std::nullopt;
}

std::optional<QByteArray> AppSettings::toJson() const {
    if (!std::isfinite(iconScalePercent))
        return std::nullopt;
    // QJsonObject sorts its keys, so the text is built in field order by hand.
    const std::pair<const char*, QJsonValue> fields[] = {
        {"combineWindowsByApp", combineWindowsByApp},
        {"autoHideTaskbar", autoHideTaskbar},
        {"showOnAllDisplays", showOnAllDisplays},
        {"iconScalePercent", iconScalePercent},
        {"launchAtLogin", launchAtLogin},
        {"showWindowTitles", showWindowTitles},
        {"restoreDockOnCrash", restoreDockOnCrash},
        {"appearanceMode", rawValue(appearanceMode)},
        {"recordingAddonInstalled", recordingAddonInstalled},
        {"recordingOutputFormat", rawValue(recordingOutputFormat)},
        {"recordingSummaryInstructions", recordingSummaryInstructions},
        {"recordingUseAISummary", recordingUseAISummary},
        {"recordingOllamaModel", recordingOllamaModel},
        {"onboardingCompleted", onboardingCompleted},
    };
    QByteArray out = "{";
    bool first = true;
    for (const auto& [key, value] : fields) {
        if (!first)
            out += ',';
        first = false;
        // Encode each value through a one-element object to get JSON escaping right.
        QByteArray one = QJsonDocument(QJsonObject{{QLatin1String(key), value}}).toJson(QJsonDocument::Compact);
        out += one.mid(1, one.size() - 2);
    }
    out += '}';
    return out;
}

namespace {

// Reads one optional key. Returns false when the key is present with the wrong type.
template <typename T, typename Convert>
bool read(const QJsonObject& o, const char* key, T& field, QJsonValue::Type type, Convert convert) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined() || v.isNull())
        return true;
    if (v.type() != type)
        return false;
    auto converted = convert(v);
    if (!converted)
        return false;
    field = *converted;
    return true;
}

bool readBool(const QJsonObject& o, const char* key, bool& field) {
    return read(o, key, field, QJsonValue::Bool, [](const QJsonValue& v) { return std::optional<bool>(v.toBool()); });
}

bool readString(const QJsonObject& o, const char* key, QString& field) {
    return read(o, key, field, QJsonValue::String,
                [](const QJsonValue& v) { return std::optional<QString>(v.toString()); });
}

} // namespace

std::optional<AppSettings> AppSettings::fromJson(const QByteArray& json) {
    QJsonParseError err{};
    const auto doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    AppSettings s;
    const bool ok =
        readBool(o, "combineWindowsByApp", s.combineWindowsByApp) && readBool(o, "autoHideTaskbar", s.autoHideTaskbar) &&
        readBool(o, "showOnAllDisplays", s.showOnAllDisplays) &&
        read(o, "iconScalePercent", s.iconScalePercent, QJsonValue::Double,
             [](const QJsonValue& v) { return std::optional<double>(v.toDouble()); }) &&
        readBool(o, "launchAtLogin", s.launchAtLogin) && readBool(o, "showWindowTitles", s.showWindowTitles) &&
        readBool(o, "restoreDockOnCrash", s.restoreDockOnCrash) &&
        read(o, "appearanceMode", s.appearanceMode, QJsonValue::String,
             [](const QJsonValue& v) { return appearanceModeFromRaw(v.toString()); }) &&
        readBool(o, "recordingAddonInstalled", s.recordingAddonInstalled) &&
        read(o, "recordingOutputFormat", s.recordingOutputFormat, QJsonValue::String,
             [](const QJsonValue& v) { return recordingOutputFormatFromRaw(v.toString()); }) &&
        readString(o, "recordingSummaryInstructions", s.recordingSummaryInstructions) &&
        readBool(o, "recordingUseAISummary", s.recordingUseAISummary) &&
        readString(o, "recordingOllamaModel", s.recordingOllamaModel) &&
        readBool(o, "onboardingCompleted", s.onboardingCompleted);
    if (!ok)
        return std::nullopt;
    return s;
}

double iconScale(double percent) { return std::clamp(percent / 100.0, 0.6, 1.6); }

} // namespace vantorel
