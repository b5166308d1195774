#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <optional>

namespace vantorel {

class BundleInfo;
class SystemInfo;
struct AccountState;
enum class ResolvedTheme;

// What the settings window writes, as plain rules.
namespace SettingsTexts {

// The icon slider's value rounded to a whole percentage, kept to 60 ... 160.
int iconPercent(double sliderValue);
// "100%"
QString iconPercentLabel(int percent);

// "Match <desktop> automatically or force a light or dark taskbar."
QString appearanceDetail(const SystemInfo& system);

// "Ada Lovelace · ada@example.com", with " · Admin" for administrators; "Signed out" without a user.
QString accountStatus(const AccountState& state);

// "Vantorel 1.2.0"
QString versionTitle(const QString& version);
// Empty when updates are configured, else why the switch is off.
QString versionSubtitle(bool updatesConfigured);
// "Vantorel 1.3.0 is available"
QString updateAvailable(const QString& version);
// "Downloading Vantorel 1.3.0… 40%"
QString updateDownloading(const QString& version, qint64 received, qint64 total);

// "Granted" or "Not granted", and its colour in the given look.
QString permissionStatus(bool granted);
QColor permissionColor(bool granted, ResolvedTheme look);

// VantorelDonationURL, trimmed; nothing when missing, empty or not a URL.
std::optional<QUrl> donationURL(const BundleInfo& bundle);

} // namespace SettingsTexts
} // namespace vantorel
