#pragma once

#include <QHash>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace vantorel {

class DesktopEntry;

// Icons named by desktop entries: an absolute file, a theme icon, or a file
// in the pixmaps folders. Each name is looked up once; every lookup in the
// theme costs many file checks.
class DesktopIconLookup {
public:
    explicit DesktopIconLookup(QStringList pixmapDirs = {QStringLiteral("/usr/share/pixmaps")});

    // A null icon when nothing is found.
    QIcon icon(const QString& name);
    QIcon iconFor(const DesktopEntry& entry);
    // After an icon theme change.
    void clear() { cache_.clear(); }

private:
    QIcon lookUp(const QString& name) const;

    QStringList pixmapDirs_;
    QHash<QString, QIcon> cache_;
};

} // namespace vantorel
