#include "platform/x11/AppMatcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>
#include <unistd.h>

namespace vantorel {

namespace {

using Item = DesktopEntryIndex::Item;

// Bounds the caches: window facts of short-lived processes keep coming.
constexpr qsizetype kMaxCached = 4096;

const QChar kSeparator = QChar(0x1f);

QString stripDeleted(QString path) {
    // An executable replaced by an upgrade reads as "/usr/bin/app (deleted)".
    static const QString suffix = QStringLiteral(" (deleted)");
    if (path.endsWith(suffix))
        path.chop(suffix.size());
    return path;
}

// Of several entries, the one most likely meant: shown in menus, its fixed
// arguments present in the command line, named like the program, first.
const Item* preferred(const std::vector<const Item*>& items, const QStringList& commandLine,
                      const QString& programName) {
    const Item* best = nullptr;
    int bestScore = INT_MAX;
    const QStringList args = commandLine.mid(1);
    for (const Item* item : items) {
        int score = 0;
        if (item->entry.noDisplay())
            score += 4;
        for (const QString& arg : item->programArguments) {
            if (!args.contains(arg)) {
                score += 2;
                break;
            }
        }
        const QString stem = item->id.chopped(8); // ".desktop"
        if (programName.isEmpty() || stem.section(u'.', -1).compare(programName, Qt::CaseInsensitive) != 0)
            score += 1;
        if (score < bestScore) {
            bestScore = score;
            best = item;
        }
    }
    return best;
}

} // namespace

AppMatcher::AppMatcher(const DesktopEntryIndex& index) : index_(index), generation_(index.generation()) {}

std::optional<QString> AppMatcher::desktopIdFor(const WindowFacts& facts) {
    if (generation_ != index_.generation()) {
        cache_.clear();
        generation_ = index_.generation();
    }
    const QString exe = stripDeleted(facts.executablePath);
    const QString key =
        facts.applicationId + kSeparator + facts.wmClassClass + kSeparator + facts.wmClassInstance + kSeparator + exe;
    const auto keyWithCommandLine = [&] { return key + kSeparator + facts.commandLine.join(kSeparator); };
    // Windows of one program share a result, unless the program is run by an
    // interpreter or by several entries, where the command line tells them apart.
    const auto it = cache_.constFind(key);
    if (it != cache_.constEnd() && !it->perCommandLine)
        return it->id;
    if (it != cache_.constEnd()) {
        if (const auto exact = cache_.constFind(keyWithCommandLine()); exact != cache_.constEnd())
            return exact->id;
    }

    bool usedCommandLine = false;
    std::optional<QString> id = byApplicationId(facts.applicationId);
    if (!id)
        id = byWMClass(facts);
    if (!id)
        id = byExecutable(facts, usedCommandLine);
    if (cache_.size() >= kMaxCached)
        cache_.clear();
    if (usedCommandLine) {
        cache_.insert(key, Cached{std::nullopt, true});
        cache_.insert(keyWithCommandLine(), Cached{id, false});
    } else {
        cache_.insert(key, Cached{id, false});
    }
    return id;
}

std::optional<QString> AppMatcher::byApplicationId(const QString& applicationId) const {
    QString id = applicationId.trimmed();
    if (id.isEmpty())
        return std::nullopt;
    if (QDir::isAbsolutePath(id)) {
        if (const QString byPath = index_.idForPath(id); !byPath.isEmpty())
            return byPath;
        id = QFileInfo(id).fileName();
    }
    if (!id.endsWith(QLatin1String(".desktop")))
        id += QStringLiteral(".desktop");
    if (const Item* item = index_.itemIgnoringCase(id))
        return item->id;
    return std::nullopt;
}

std::optional<QString> AppMatcher::byWMClass(const WindowFacts& facts) const {
    QStringList names;
    for (const QString& name : {facts.wmClassClass, facts.wmClassInstance})
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    if (names.isEmpty())
        return std::nullopt;
    for (const Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (const QString& name : std::as_const(names)) {
            const auto items = index_.itemsForStartupWMClass(name, cs);
            if (const Item* item = preferred(items, facts.commandLine, QString()))
                return item->id;
        }
    }
    for (const QString& name : std::as_const(names)) {
        const QString id = name.endsWith(QLatin1String(".desktop")) ? name : name + QStringLiteral(".desktop");
        if (const Item* item = index_.itemIgnoringCase(id))
            return item->id;
    }
    // "Nautilus" for org.gnome.Nautilus.desktop, but only when one entry fits:
    // two vendors' "Terminal" say nothing about which one this is.
    for (const QString& name : std::as_const(names)) {
        auto items = index_.itemsForIdComponent(name);
        if (items.size() > 1) {
            std::vector<const Item*> shown;
            std::copy_if(items.begin(), items.end(), std::back_inserter(shown),
                         [](const Item* item) { return !item->entry.noDisplay(); });
            if (!shown.empty())
                items = std::move(shown);
        }
        if (items.size() == 1)
            return items.front()->id;
    }
    return std::nullopt;
}

QString AppMatcher::scriptOf(const WindowFacts& facts) {
    // Only "interpreter /absolute/script ...": options before the script
    // (-m module, -c code, -jar) or a relative path leave too much to guess.
    if (facts.commandLine.size() < 2)
        return {};
    const QString& script = facts.commandLine.at(1);
    if (script.startsWith(u'-') || !QDir::isAbsolutePath(script))
        return {};
    return QFileInfo(script).canonicalFilePath();
}

std::optional<QString> AppMatcher::byExecutable(const WindowFacts& facts, bool& usedCommandLine) const {
    const QString exe = stripDeleted(facts.executablePath);
    if (exe.isEmpty())
        return std::nullopt;
    const QString name = QFileInfo(exe).fileName();
    std::vector<const Item*> items;
    QString programName = name;
    if (DesktopEntryIndex::isInterpreterOrLauncher(name)) {
        usedCommandLine = true;
        const QString script = scriptOf(facts);
        if (script.isEmpty())
            return std::nullopt;
        items = index_.itemsForExecutable(script, false);
        programName = QFileInfo(script).fileName();
    } else {
        items = index_.itemsForExecutable(exe, true);
    }
    if (items.size() > 1)
        usedCommandLine = true;
    QStringList commandLine = facts.commandLine;
    if (programName != name && !commandLine.isEmpty())
        commandLine.removeFirst(); // the interpreter; arguments follow the script
    if (const Item* item = preferred(items, commandLine, programName))
        return item->id;
    return std::nullopt;
}

void AppMatcher::readProcess(qint64 pid, WindowFacts& facts, const QString& procRoot) {
    facts.executablePath.clear();
    facts.commandLine.clear();
    if (pid <= 0)
        return;
    const QString dir = procRoot + u'/' + QString::number(pid);
    const QByteArray exeLink = QFile::encodeName(dir + QStringLiteral("/exe"));
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink(exeLink.constData(), buffer, sizeof buffer);
    if (length > 0 && static_cast<size_t>(length) < sizeof buffer)
        facts.executablePath = QFile::decodeName(QByteArray(buffer, static_cast<int>(length)));
    QFile cmdline(dir + QStringLiteral("/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return;
    constexpr qint64 kMaxCommandLine = 64 * 1024;
    const QByteArray data = cmdline.read(kMaxCommandLine);
    for (const QByteArray& arg : data.split('\0'))
        facts.commandLine << QString::fromLocal8Bit(arg);
    // The list ends with a NUL, which leaves one empty item behind.
    if (!facts.commandLine.isEmpty() && facts.commandLine.last().isEmpty())
        facts.commandLine.removeLast();
}

} // namespace vantorel
