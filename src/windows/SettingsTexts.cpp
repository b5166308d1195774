#include "windows/SettingsTexts.h"

#include "account/AccountRecords.h"
#include "platform/BundleInfo.h"
#include "platform/SystemInfo.h"
#include "platform/Theme.h"

#include <QVariant>
#include <algorithm>
#include <cmath>

namespace vantorel::SettingsTexts {

int iconPercent(double sliderValue) {
    return std::clamp(static_cast<int>(std::lround(sliderValue)), 60, 160);
}

QString iconPercentLabel(int percent) {
    return QString::number(percent) + u'%';
}

QString appearanceDetail(const SystemInfo& system) {
    return QStringLiteral("Match ") + system.desktopName() +
           QStringLiteral(" automatically or force a light or dark taskbar.");
}

QString accountStatus(const AccountState& state) {
    if (!state.user)
        return QStringLiteral("Signed out");
    QString text = state.user->fullName() + QStringLiteral(" · ") + state.user->email;
    if (state.user->isAdmin())
        text += QStringLiteral(" · Admin");
    return text;
}

QString versionTitle(const QString& version) {
    return QStringLiteral("Vantorel ") + version;
}

QString versionSubtitle(bool updatesConfigured) {
    return updatesConfigured ? QString() : QStringLiteral("Automatic updates aren't set up in this build.");
}

QString updateAvailable(const QString& version) {
    return QStringLiteral("Vantorel ") + version + QStringLiteral(" is available");
}

QString updateDownloading(const QString& version, qint64 received, qint64 total) {
    const int percent = total > 0 ? static_cast<int>(std::clamp<qint64>(received * 100 / total, 0, 100)) : 0;
    return QStringLiteral("Downloading Vantorel %1\u2026 %2%").arg(version).arg(percent);
}

QString permissionStatus(bool granted) {
    return granted ? QStringLiteral("Granted") : QStringLiteral("Not granted");
}

QColor permissionColor(bool granted, ResolvedTheme look) {
    const bool dark = look == ResolvedTheme::Dark;
    if (granted)
        return dark ? QColor(0x30, 0xd1, 0x58) : QColor(0x24, 0x8a, 0x3d);
    return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xc9, 0x34, 0x00);
}

std::optional<QUrl> donationURL(const BundleInfo& bundle) {
    const auto v = bundle.infoValue(QStringLiteral("VantorelDonationURL"));
    if (!v || v->typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = v->toString().trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (text.isEmpty() || !url.isValid())
        return std::nullopt;
    return url;
}

} // namespace vantorel::SettingsTexts
