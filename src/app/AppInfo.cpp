#include "app/AppInfo.h"

#include "platform/BundleInfo.h"
#include "platform/Platform.h"

namespace vantorel {

QString AppInfo::version(const BundleInfo& bundle) {
    const auto v = bundle.infoValue(QStringLiteral("CFBundleShortVersionString"));
    if (v && v->typeId() == QMetaType::QString && !v->toString().isEmpty())
        return v->toString();
    return QString::fromLatin1(kFallbackVersion);
}

QString AppInfo::version() { return version(*Platform::installed().bundle); }

} // namespace vantorel
