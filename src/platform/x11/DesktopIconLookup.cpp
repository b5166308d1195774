#include "platform/x11/DesktopIconLookup.h"

#include "platform/x11/DesktopEntry.h"

#include <QDir>
#include <QFileInfo>

namespace vantorel {

namespace {

const QStringList kImageSuffixes = {QStringLiteral("png"), QStringLiteral("svg"), QStringLiteral("xpm")};

} // namespace

DesktopIconLookup::DesktopIconLookup(QStringList pixmapDirs) : pixmapDirs_(std::move(pixmapDirs)) {}

QIcon DesktopIconLookup::icon(const QString& name) {
    const auto it = cache_.constFind(name);
    if (it != cache_.constEnd())
        return *it;
    QIcon found = lookUp(name);
    cache_.insert(name, found);
    return found;
}

QIcon DesktopIconLookup::iconFor(const DesktopEntry& entry) {
    return icon(entry.icon());
}

QIcon DesktopIconLookup::lookUp(const QString& name) const {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return {};
    if (QDir::isAbsolutePath(trimmed)) {
        const QFileInfo file(trimmed);
        return file.isFile() && file.isReadable() ? QIcon(file.filePath()) : QIcon();
    }
    // Anything else is a name, never a path into some other folder.
    if (trimmed.contains(u'/') || trimmed.startsWith(u'.'))
        return {};
    // "app.png" is not a theme name, but it is written often enough.
    const QString suffix = QFileInfo(trimmed).suffix().toLower();
    const bool hasImageSuffix = kImageSuffixes.contains(suffix);
    const QString themeName = hasImageSuffix ? trimmed.chopped(suffix.size() + 1) : trimmed;
    QIcon themed = QIcon::fromTheme(themeName);
    if (!themed.isNull())
        return themed;
    for (const QString& dir : pixmapDirs_) {
        if (hasImageSuffix) {
            const QFileInfo file(dir + u'/' + trimmed);
            if (file.isFile())
                return QIcon(file.filePath());
        }
        for (const QString& ext : kImageSuffixes) {
            const QFileInfo file(dir + u'/' + themeName + u'.' + ext);
            if (file.isFile())
                return QIcon(file.filePath());
        }
    }
    // Older packages install sizes side by side as "name_32x32.xpm", "name_48x48.xpm".
    QIcon sized;
    for (const QString& dir : pixmapDirs_) {
        QStringList patterns;
        for (const QString& ext : kImageSuffixes)
            patterns << themeName + QStringLiteral("_*.") + ext;
        const auto files = QDir(dir).entryInfoList(patterns, QDir::Files | QDir::Readable, QDir::Name);
        for (const QFileInfo& file : files)
            sized.addFile(file.filePath());
        if (!sized.isNull())
            return sized;
    }
    return {};
}

} // namespace vantorel
