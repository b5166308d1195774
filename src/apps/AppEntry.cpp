#include "apps/AppEntry.h"

#include <QSet>
#include <algorithm>

namespace vantorel {

QString AppEntry::key() const {
    if (!windowID)
        return bundleId;
    // Written straight into one buffer: keys are made for every entry of every publish.
    char16_t digits[10];
    qsizetype n = 0;
    for (quint32 v = *windowID; n == 0 || v != 0; v /= 10)
        digits[n++] = static_cast<char16_t>(u'0' + v % 10);
    QString key(bundleId.size() + 1 + n, Qt::Uninitialized);
    QChar* out = std::copy(bundleId.cbegin(), bundleId.cend(), key.data());
    *out++ = u'#';
    while (n > 0)
        *out++ = QChar(digits[--n]);
    return key;
}

bool operator==(const AppEntry& a, const AppEntry& b) {
    return a.bundleId == b.bundleId && a.isPinned == b.isPinned && a.isRunning == b.isRunning &&
           a.isActive == b.isActive && a.isLaunching == b.isLaunching && a.windowID == b.windowID &&
           a.windowTitle == b.windowTitle && a.isMinimized == b.isMinimized;
}

QStringList reorderedPins(QStringList pinned, const std::vector<AppEntry>& shown, const QString& bundleId,
                          int visualIndex) {
    const auto limit = std::min<std::size_t>(static_cast<std::size_t>(std::max(visualIndex, 0)), shown.size());
    QSet<QString> before;
    for (std::size_t i = 0; i < limit; ++i)
        if (shown[i].isPinned && shown[i].bundleId != bundleId)
            before.insert(shown[i].bundleId);
    pinned.removeAll(bundleId);
    const auto k = std::min<qsizetype>(before.size(), pinned.size());
    pinned.insert(k, bundleId);
    return pinned;
}

double appButtonWidth(const AppEntry& entry, double scale) {
    return entry.isWindowEntry() ? std::max(170 * scale, 120.0) : std::max(54 * scale, 44.0);
}

QString stackSignature(const std::vector<AppEntry>& entries) {
    std::vector<QString> keys;
    keys.reserve(entries.size());
    for (const auto& e : entries)
        keys.push_back(e.key());
    return stackSignature(entries, keys);
}

QString stackSignature(const std::vector<AppEntry>& entries, const std::vector<QString>& keys) {
    QString out;
    out.reserve(static_cast<qsizetype>(entries.size()) * 32);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0)
            out += u'|';
        out += keys[i];
        out += entries[i].isPinned ? QLatin1String(":true") : QLatin1String(":false");
    }
    return out;
}

QString accessibilityLabel(const AppEntry& entry) {
    if (entry.windowTitle)
        return entry.name + QLatin1String(": ") + *entry.windowTitle;
    return entry.name;
}

QString accessibilityValue(const AppEntry& entry) {
    QStringList states;
    if (entry.isPinned)
        states << QStringLiteral("pinned");
    if (entry.isMinimized)
        states << QStringLiteral("minimized");
    else if (entry.isActive)
        states << QStringLiteral("active");
    else if (entry.isRunning)
        states << QStringLiteral("running");
    return states.join(QLatin1String(", "));
}

} // namespace vantorel
