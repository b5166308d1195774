#include "platform/x11/DesktopEntryIndex.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <sys/stat.h>

namespace vantorel {

namespace {

QString stem(const QString& id) {
    return id.endsWith(QLatin1String(".desktop")) ? id.chopped(8) : id;
}

bool hasFieldCode(const QString& arg) {
    return arg.contains(u'%');
}

} // namespace

DesktopEntryIndex::DesktopEntryIndex(QStringList applicationDirs, DesktopLocale locale, QString pathVariable)
    : dirs_(std::move(applicationDirs)), locale_(std::move(locale)), pathVariable_(std::move(pathVariable)) {
    rescan();
}

QStringList DesktopEntryIndex::baseDirectories(const char* homeVariable, const QString& homeFallback,
                                               const char* systemVariable, const QString& systemFallback) {
    QStringList dirs;
    QString home = qEnvironmentVariable(homeVariable);
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = homeFallback;
    dirs << QDir::cleanPath(home);
    QString system = qEnvironmentVariable(systemVariable);
    if (system.isEmpty())
        system = systemFallback;
    for (const QString& dir : system.split(u':', Qt::SkipEmptyParts)) {
        const QString clean = QDir::cleanPath(dir);
        if (QDir::isAbsolutePath(clean) && !dirs.contains(clean))
            dirs << clean;
    }
    return dirs;
}

QStringList DesktopEntryIndex::dataDirectories() {
    return baseDirectories("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"), "XDG_DATA_DIRS",
                           QStringLiteral("/usr/local/share:/usr/share"));
}

QStringList DesktopEntryIndex::defaultApplicationDirectories() {
    QStringList dirs;
    for (const QString& dir : dataDirectories())
        dirs << dir + QStringLiteral("/applications");
    return dirs;
}

bool DesktopEntryIndex::isInterpreterOrLauncher(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral(
        "^(?:env|sh|bash|dash|zsh|ksh|mksh|csh|tcsh|fish|busybox|python[0-9.]*|pypy[0-9.]*|perl[0-9.]*|ruby[0-9.]*|"
        "node|nodejs|gjs|cjs|lua[0-9.]*|luajit|tclsh[0-9.]*|wish[0-9.]*|php[0-9.]*|java|mono|dotnet|wine|"
        "wine64|flatpak|snap|xdg-open|gtk-launch|kioclient[0-9]*|sudo|pkexec|nice|ionice|exec)$"));
    return pattern.match(fileName).hasMatch();
}

DesktopEntryIndex::DirStamp DesktopEntryIndex::stampOf(const QString& dir) {
    struct stat st {};
    DirStamp stamp;
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return stamp;
    stamp.exists = true;
    stamp.sec = st.st_mtim.tv_sec;
    stamp.nsec = st.st_mtim.tv_nsec;
    stamp.inode = st.st_ino;
    return stamp;
}

bool DesktopEntryIndex::refresh() {
    for (auto it = stamps_.constBegin(); it != stamps_.constEnd(); ++it) {
        // File system clocks tick coarsely: a file added in the second of the
        // scan may leave the time stamp as it was, so such a directory is read again.
        const bool racy = it->exists && it->sec >= scannedAt_ - 1 && it->sec <= scannedAt_ + 1;
        if (racy || !(stampOf(it.key()) == it.value())) {
            rescan();
            return true;
        }
    }
    return false;
}

void DesktopEntryIndex::rescan() {
    ++generation_;
    scannedAt_ = QDateTime::currentSecsSinceEpoch();
    stamps_.clear();
    items_.clear();
    byId_.clear();
    byIdLower_.clear();
    byPath_.clear();
    byWMClassLower_.clear();
    byIdComponentLower_.clear();
    byProgramPath_.clear();
    byProgramName_.clear();
    QSet<QString> claimed;
    for (const QString& root : dirs_) {
        stamps_.insert(root, stampOf(root));
        QSet<QString> visited; // breaks symlink loops inside one root
        scanDirectory(root, root, claimed, visited);
    }
}

void DesktopEntryIndex::scanDirectory(const QString& root, const QString& dir, QSet<QString>& claimed,
                                      QSet<QString>& visited) {
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    if (canonical.isEmpty() || visited.contains(canonical))
        return;
    visited.insert(canonical);
    stamps_.insert(dir, stampOf(dir));
    const QFileInfoList infos = QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    const QDir rootDir(root);
    for (const QFileInfo& info : infos) {
        if (info.isDir()) {
            scanDirectory(root, info.filePath(), claimed, visited);
            continue;
        }
        if (!info.fileName().endsWith(QLatin1String(".desktop")))
            continue;
        QString id = rootDir.relativeFilePath(info.filePath());
        id.replace(u'/', u'-');
        if (claimed.contains(id))
            continue;
        auto loaded = DesktopEntry::load(info.filePath(), locale_);
        // A file that is no desktop entry claims nothing; a later directory's may.
        if (!loaded)
            continue;
        claimed.insert(id);
        const DesktopEntry& entry = loaded.value();
        if (entry.hidden() || !entry.isApplication() || !entry.tryExecSatisfied(pathVariable_))
            continue;
        addItem(Item{id, std::move(loaded.value()), {}, {}, {}});
    }
}

void DesktopEntryIndex::resolveProgram(Item& item, QStringList& names) const {
    const auto canonicalProgram = [this](const QString& program) {
        const QString resolved = findExecutable(program, pathVariable_);
        const QString canonical = resolved.isEmpty() ? QString() : QFileInfo(resolved).canonicalFilePath();
        // /snap/bin/* and similar all lead to one launcher binary.
        if (canonical.isEmpty() || isInterpreterOrLauncher(QFileInfo(canonical).fileName()))
            return QString();
        return canonical;
    };
    auto split = DesktopEntry::splitExec(item.entry.exec());
    QStringList args = split ? split.value() : QStringList();
    // "env NAME=value program" runs program.
    if (!args.isEmpty() && QFileInfo(args.first()).fileName() == QLatin1String("env")) {
        args.removeFirst();
        while (!args.isEmpty() && args.first().contains(u'=') && !args.first().startsWith(u'-'))
            args.removeFirst();
        if (!args.isEmpty() && args.first().startsWith(u'-'))
            args.clear();
    }
    if (!args.isEmpty()) {
        const QString program = args.takeFirst();
        if (isInterpreterOrLauncher(QFileInfo(program).fileName())) {
            // "python3 /usr/share/app/app.py": the script is what identifies it.
            if (!args.isEmpty() && QDir::isAbsolutePath(args.first()) && !hasFieldCode(args.first())) {
                item.programPath = QFileInfo(args.takeFirst()).canonicalFilePath();
                if (item.programPath.isEmpty())
                    args.clear();
            } else {
                args.clear();
            }
        } else {
            item.programPath = canonicalProgram(program);
            // The name as written counts too: Exec=app with app missing from our PATH.
            names << QFileInfo(program).fileName() << QFileInfo(item.programPath).fileName();
        }
        for (const QString& arg : std::as_const(args))
            if (!hasFieldCode(arg))
                item.programArguments << arg;
    }
    const QString tryExec = item.entry.tryExec();
    if (!tryExec.isEmpty() && !isInterpreterOrLauncher(QFileInfo(tryExec).fileName())) {
        item.tryExecPath = canonicalProgram(tryExec);
        names << QFileInfo(tryExec).fileName() << QFileInfo(item.tryExecPath).fileName();
    }
}

void DesktopEntryIndex::addItem(Item item) {
    QStringList names;
    resolveProgram(item, names);
    const int index = static_cast<int>(items_.size());
    byId_.insert(item.id, index);
    byIdLower_.insert(item.id.toLower(), index);
    byPath_.insert(item.entry.filePath(), index);
    if (const QString wmClass = item.entry.startupWMClass(); !wmClass.isEmpty())
        byWMClassLower_[wmClass.toLower()] << index;
    const QString idStem = stem(item.id).toLower();
    byIdComponentLower_[idStem.mid(idStem.lastIndexOf(u'.') + 1)] << index;

    if (!item.programPath.isEmpty())
        byProgramPath_[item.programPath] << index;
    if (!item.tryExecPath.isEmpty() && item.tryExecPath != item.programPath)
        byProgramPath_[item.tryExecPath] << index;
    names.removeDuplicates();
    for (const QString& name : std::as_const(names))
        if (!name.isEmpty() && !isInterpreterOrLauncher(name))
            byProgramName_[name] << index;
    items_.push_back(std::move(item));
}

const DesktopEntryIndex::Item* DesktopEntryIndex::item(const QString& id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? nullptr : &items_[static_cast<size_t>(*it)];
}

const DesktopEntry* DesktopEntryIndex::find(const QString& id) const {
    const Item* found = item(id);
    return found ? &found->entry : nullptr;
}

const DesktopEntryIndex::Item* DesktopEntryIndex::itemIgnoringCase(const QString& id) const {
    if (const Item* exact = item(id))
        return exact;
    const auto it = byIdLower_.constFind(id.toLower());
    return it == byIdLower_.constEnd() ? nullptr : &items_[static_cast<size_t>(*it)];
}

QString DesktopEntryIndex::idForPath(const QString& path) const {
    const auto it = byPath_.constFind(QDir::cleanPath(path));
    return it == byPath_.constEnd() ? QString() : items_[static_cast<size_t>(*it)].id;
}

std::vector<const DesktopEntryIndex::Item*> DesktopEntryIndex::itemsForStartupWMClass(const QString& wmClass,
                                                                                      Qt::CaseSensitivity cs) const {
    std::vector<const Item*> out;
    if (wmClass.isEmpty())
        return out;
    for (int index : byWMClassLower_.value(wmClass.toLower())) {
        const Item& candidate = items_[static_cast<size_t>(index)];
        if (cs == Qt::CaseInsensitive || candidate.entry.startupWMClass() == wmClass)
            out.push_back(&candidate);
    }
    return out;
}

std::vector<const DesktopEntryIndex::Item*> DesktopEntryIndex::itemsForIdComponent(const QString& component) const {
    std::vector<const Item*> out;
    if (component.isEmpty())
        return out;
    for (int index : byIdComponentLower_.value(component.toLower()))
        out.push_back(&items_[static_cast<size_t>(index)]);
    return out;
}

std::vector<const DesktopEntryIndex::Item*> DesktopEntryIndex::itemsForExecutable(const QString& executablePath,
                                                                                  bool byName) const {
    std::vector<const Item*> out;
    if (executablePath.isEmpty())
        return out;
    QList<int> indexes;
    const QString canonical = QFileInfo(executablePath).canonicalFilePath();
    for (const QString& key : {canonical, QDir::cleanPath(executablePath)})
        if (!key.isEmpty())
            indexes << byProgramPath_.value(key);
    if (indexes.isEmpty() && byName) {
        const QString name = QFileInfo(executablePath).fileName();
        if (!isInterpreterOrLauncher(name))
            indexes = byProgramName_.value(name);
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    for (int index : std::as_const(indexes))
        out.push_back(&items_[static_cast<size_t>(index)]);
    return out;
}

} // namespace vantorel
