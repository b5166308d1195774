#include "platform/sim/ApplicationFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace vantorel {

namespace {

// Folders the file browser shows as one file; their insides are never walked.
bool isPackage(const QFileInfo& info) {
    static const QStringList kPackageSuffixes = {QStringLiteral("bundle"), QStringLiteral("framework"),
                                                 QStringLiteral("plugin"), QStringLiteral("appex"),
                                                 QStringLiteral("kext"),   QStringLiteral("pkg")};
    return info.isDir() && kPackageSuffixes.contains(info.suffix());
}

class Walk {
public:
    std::vector<InstalledApplication> found;

    void add(const QFileInfo& info) {
        const QString resolved = info.canonicalFilePath();
        if (resolved.isEmpty() || seen_.contains(resolved))
            return;
        seen_.insert(resolved);
        QString name = info.fileName();
        if (name.endsWith(QLatin1String(".app")))
            name.chop(4);
        found.push_back({QDir::cleanPath(info.absoluteFilePath()), name, std::nullopt, {}});
    }

    // level: how deep the folder's entries stand below the walked folder (1 for its own).
    void folder(const QString& path, int level) {
        // Hidden entries are left out, as the file browser leaves them out.
        const QFileInfoList entries =
            QDir(path).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& info : entries) {
            if (info.suffix() == QLatin1String("app")) {
                add(info);
                continue;
            }
            // Links to folders are not followed; an application link was taken above.
            if (level > 2 || !info.isDir() || info.isSymLink() || isPackage(info))
                continue;
            folder(info.filePath(), level + 1);
        }
    }

private:
    QSet<QString> seen_; // resolved paths, across all folders
};

} // namespace

std::vector<InstalledApplication> walkApplicationFolders(const QStringList& folders, const QString& fileBrowserBundle) {
    Walk walk;
    for (const QString& folder : folders)
        walk.folder(folder, 1);
    if (!fileBrowserBundle.isEmpty() && QFileInfo::exists(fileBrowserBundle))
        walk.add(QFileInfo(fileBrowserBundle));
    return std::move(walk.found);
}

} // namespace vantorel
