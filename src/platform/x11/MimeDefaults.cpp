#include "platform/x11/MimeDefaults.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <sys/stat.h>

namespace vantorel {

MimeDefaults::MimeDefaults(const DesktopEntryIndex& index, QStringList listFiles, QStringList currentDesktops)
    : index_(index), currentDesktops_(std::move(currentDesktops)) {
    for (QString& path : listFiles)
        files_.push_back(ListFile{std::move(path), -1, -1, {}, {}, {}});
}

QStringList MimeDefaults::currentDesktopsFromEnvironment() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
}

QStringList MimeDefaults::listFilesFor(const QStringList& configDirs, const QStringList& applicationDirs,
                                       const QStringList& currentDesktops) {
    QStringList files;
    for (const QStringList& dirs : {configDirs, applicationDirs}) {
        for (const QString& dir : dirs) {
            for (const QString& desktop : currentDesktops) {
                // A desktop name is a plain word; never let it reach into other directories.
                if (desktop.contains(u'/') || desktop.startsWith(u'.'))
                    continue;
                files << dir + u'/' + desktop.toLower() + QStringLiteral("-mimeapps.list");
            }
            files << dir + QStringLiteral("/mimeapps.list");
        }
    }
    files.removeDuplicates();
    return files;
}

QStringList MimeDefaults::defaultListFiles() {
    const QStringList configDirs =
        DesktopEntryIndex::baseDirectories("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"),
                                           "XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    return listFilesFor(configDirs, DesktopEntryIndex::defaultApplicationDirectories(),
                        currentDesktopsFromEnvironment());
}

const QStringList& MimeDefaults::knownSettingsApplications() {
    static const QStringList ids = {
        QStringLiteral("org.gnome.Settings.desktop"),
        QStringLiteral("gnome-control-center.desktop"),
        QStringLiteral("systemsettings.desktop"),
        QStringLiteral("kdesystemsettings.desktop"),
        QStringLiteral("xfce-settings-manager.desktop"),
        QStringLiteral("cinnamon-settings.desktop"),
        QStringLiteral("mate-control-center.desktop"),
        QStringLiteral("budgie-control-center.desktop"),
        QStringLiteral("lxqt-config.desktop"),
        QStringLiteral("org.pantheon.switchboard.desktop"),
        QStringLiteral("io.elementary.switchboard.desktop"),
        QStringLiteral("deepin-control-center.desktop"),
        QStringLiteral("lxde-control-center.desktop"),
        QStringLiteral("unity-control-center.desktop"),
    };
    return ids;
}

bool MimeDefaults::reloadChanged() const {
    bool changed = false;
    for (ListFile& file : files_) {
        struct stat st {};
        const bool exists = ::stat(QFile::encodeName(file.path).constData(), &st) == 0 && S_ISREG(st.st_mode);
        const qint64 mtimeNs = exists ? qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : -1;
        const qint64 size = exists ? qint64(st.st_size) : -1;
        if (mtimeNs == file.mtimeNs && size == file.size)
            continue;
        changed = true;
        file.mtimeNs = mtimeNs;
        file.size = size;
        file.defaults.clear();
        file.added.clear();
        file.removed.clear();
        if (!exists)
            continue;
        QFile f(file.path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        constexpr qint64 kMaxSize = 4 * 1024 * 1024;
        forEachKeyFileEntry(f.read(kMaxSize), [&file](const QString& group, const QString& key, const QString& value) {
            QHash<QString, QStringList>* target = group == QLatin1String("Default Applications")   ? &file.defaults
                                                  : group == QLatin1String("Added Associations")   ? &file.added
                                                  : group == QLatin1String("Removed Associations") ? &file.removed
                                                                                                   : nullptr;
            if (target)
                (*target)[key.toLower()] << DesktopEntry::splitList(value);
        });
    }
    return changed;
}

std::optional<QString> MimeDefaults::defaultApplication(const QString& mimeType) const {
    const QString mime = mimeType.trimmed().toLower();
    if (mime.isEmpty())
        return std::nullopt;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (lastCheckMs_ < 0 || now - lastCheckMs_ >= recheckMs_ || now < lastCheckMs_) {
        lastCheckMs_ = now;
        if (reloadChanged())
            answers_.clear();
    }
    if (answeredGeneration_ != index_.generation()) {
        answeredGeneration_ = index_.generation();
        answers_.clear();
    }
    if (auto known = answers_.constFind(mime); known != answers_.constEnd())
        return *known;
    const auto answer = lookUp(mime);
    answers_.insert(mime, answer);
    return answer;
}

std::optional<QString> MimeDefaults::lookUp(const QString& mime) const {
    for (const ListFile& file : files_)
        for (const QString& id : file.defaults.value(mime))
            if (installed(id))
                return id;
    // A removal hides an association from the same file and the files below it.
    QStringList removed;
    for (const ListFile& file : files_) {
        removed << file.removed.value(mime);
        for (const QString& id : file.added.value(mime))
            if (!removed.contains(id) && installed(id))
                return id;
    }
    for (const DesktopEntryIndex::Item& item : index_.items())
        if (!removed.contains(item.id) && item.entry.mimeTypes().contains(mime, Qt::CaseInsensitive))
            return item.id;
    return std::nullopt;
}

QString MimeDefaults::fileBrowserIdentifier() const {
    return defaultApplication(QStringLiteral("inode/directory")).value_or(QString());
}

QStringList MimeDefaults::defaultPinnedCandidates() const {
    QStringList candidates;
    const auto add = [&candidates](const std::optional<QString>& id) {
        if (id && !id->isEmpty() && !candidates.contains(*id))
            candidates << *id;
    };
    add(defaultApplication(QStringLiteral("inode/directory")));
    auto browser = defaultApplication(QStringLiteral("x-scheme-handler/https"));
    add(browser ? browser : defaultApplication(QStringLiteral("text/html")));
    add(defaultApplication(QStringLiteral("x-scheme-handler/mailto")));
    // The settings application of the desktop in use, else any installed one.
    std::optional<QString> settings;
    for (const QString& id : knownSettingsApplications()) {
        const DesktopEntry* entry = index_.find(id);
        if (!entry)
            continue;
        if (!currentDesktops_.isEmpty() && entry->isShownIn(currentDesktops_)) {
            settings = id;
            break;
        }
        if (!settings)
            settings = id;
    }
    add(settings);
    return candidates;
}

} // namespace vantorel
