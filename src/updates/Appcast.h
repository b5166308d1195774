#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

namespace vantorel {

// One release of an update feed: an RSS item whose enclosure names the
// package, its length and the Ed25519 signature of its bytes.
struct AppcastItem {
    QString title;
    QString version;      // the build version, compared
    QString shortVersion; // what people read; the version when absent
    QUrl url;
    qint64 length = 0;
    QString edSignature; // base64
    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
};

namespace Appcast {

// The feed's items with an enclosure, a version and a download address; items
// without them are left out. A document that is not XML fails.
Result<std::vector<AppcastItem>> parse(const QByteArray& xml);

// Compares dotted versions part by part, numbers as numbers ("1.10" > "1.9",
// "2.0" == "2"); a part with letters compares its leading number, then the
// rest as text, and a plain number outranks it ("1.2" > "1.2b1").
int compareVersions(const QString& a, const QString& b);

// The newest item above the running version, if any.
std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const QString& currentVersion);

} // namespace Appcast
} // namespace vantorel
