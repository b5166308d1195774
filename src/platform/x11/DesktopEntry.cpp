#include "platform/x11/DesktopEntry.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {

namespace {

const QString kMainGroup = QStringLiteral("Desktop Entry");
const QString kActionGroupPrefix = QStringLiteral("Desktop Action ");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Field codes that once existed and are dropped wherever they stand.
bool isDeprecatedFieldCode(QChar c) {
    return c == u'd' || c == u'D' || c == u'n' || c == u'N' || c == u'v' || c == u'm';
}

} // namespace

DesktopLocale DesktopLocale::parse(const QString& name) {
    DesktopLocale locale;
    QString rest = name.trimmed();
    if (rest.isEmpty() || rest == QLatin1String("C") || rest.startsWith(QLatin1String("C.")) ||
        rest == QLatin1String("POSIX"))
        return locale;
    const qsizetype at = rest.indexOf(u'@');
    if (at >= 0) {
        locale.modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    const qsizetype dot = rest.indexOf(u'.');
    if (dot >= 0)
        rest.truncate(dot);
    const qsizetype underscore = rest.indexOf(u'_');
    if (underscore >= 0) {
        locale.country = rest.mid(underscore + 1);
        rest.truncate(underscore);
    }
    locale.lang = rest;
    return locale;
}

DesktopLocale DesktopLocale::system() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(var);
        if (!value.isEmpty())
            return parse(value);
    }
    return {};
}

QStringList DesktopLocale::matchOrder() const {
    QStringList order;
    if (lang.isEmpty())
        return order;
    if (!country.isEmpty() && !modifier.isEmpty())
        order << lang + u'_' + country + u'@' + modifier;
    if (!country.isEmpty())
        order << lang + u'_' + country;
    if (!modifier.isEmpty())
        order << lang + u'@' + modifier;
    order << lang;
    return order;
}

void forEachKeyFileEntry(const QByteArray& data,
                         const std::function<void(const QString& group, const QString& key, const QString& value)>& fn,
                         const std::function<void(const QString& group)>& onGroup) {
    QString group;
    bool inGroup = false;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QByteArrayView raw(data.constData() + start, end - start);
        start = end + 1;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            inGroup = close > 0;
            group = inGroup ? line.mid(1, close - 1) : QString();
            if (inGroup && onGroup)
                onGroup(group);
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        qsizetype v = eq + 1;
        while (v < line.size() && isBlank(line[v]))
            ++v;
        if (!key.isEmpty())
            fn(group, key, line.mid(v));
    }
}

QString findExecutable(const QString& program, const QString& pathVariable) {
    const auto isExecutableFile = [](const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        struct stat st {};
        return ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.constData(), X_OK) == 0;
    };
    if (program.isEmpty())
        return {};
    if (program.contains(u'/')) {
        // A relative path would depend on whoever's working directory; never guess.
        if (!QDir::isAbsolutePath(program))
            return {};
        return isExecutableFile(program) ? QDir::cleanPath(program) : QString();
    }
    const QStringList dirs = pathVariable.split(u':', Qt::SkipEmptyParts);
    for (const QString& dir : dirs) {
        if (!QDir::isAbsolutePath(dir))
            continue;
        const QString candidate = QDir::cleanPath(dir + u'/' + program);
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

Result<DesktopEntry> DesktopEntry::parse(const QByteArray& data, const DesktopLocale& locale, const QString& filePath) {
    const QStringList order = locale.matchOrder();
    const int unlocalised = static_cast<int>(order.size());
    DesktopEntry entry;
    entry.filePath_ = filePath;
    // Per group and key: index in order of the value kept; unlocalised is last.
    QHash<QString, QHash<QString, int>> rank;
    int mainGroups = 0;
    // The group whose keys are kept: the main one, or an action's ("" for none).
    QString current;
    bool inMain = false;
    const auto onGroup = [&](const QString& group) {
        // Only the first [Desktop Entry] group counts; a repeated one is ignored.
        inMain = group == kMainGroup && mainGroups++ == 0;
        current = inMain ? group : QString();
        if (!inMain && group.startsWith(kActionGroupPrefix)) {
            const QString id = group.mid(kActionGroupPrefix.size());
            // A repeated action group is ignored, like a repeated main one.
            if (!entry.actionValues_.contains(id)) {
                entry.actionValues_.insert(id, {});
                current = group;
            }
        }
    };
    const auto onEntry = [&](const QString&, const QString& key, const QString& value) {
        if (current.isEmpty())
            return;
        QString base = key;
        int keyRank = unlocalised;
        const qsizetype open = key.indexOf(u'[');
        if (open >= 0) {
            if (!key.endsWith(u']'))
                return;
            base = key.left(open);
            keyRank = static_cast<int>(order.indexOf(key.mid(open + 1, key.size() - open - 2)));
            if (keyRank < 0)
                return;
        }
        auto& ranks = rank[current];
        const auto it = ranks.constFind(base);
        if (it != ranks.constEnd() && *it <= keyRank)
            return;
        ranks.insert(base, keyRank);
        if (inMain)
            entry.values_.insert(base, value);
        else
            entry.actionValues_[current.mid(kActionGroupPrefix.size())].insert(base, value);
    };
    forEachKeyFileEntry(data, onEntry, onGroup);
    if (mainGroups == 0)
        return Result<DesktopEntry>::failure(QStringLiteral("no [Desktop Entry] group"));
    return entry;
}

std::vector<DesktopAction> DesktopEntry::actions() const {
    std::vector<DesktopAction> out;
    for (const QString& id : stringList(QStringLiteral("Actions"))) {
        const auto group = actionValues_.constFind(id);
        if (group == actionValues_.constEnd())
            continue;
        DesktopAction action{id, unescape(group->value(QStringLiteral("Name"))),
                             unescape(group->value(QStringLiteral("Icon"))),
                             unescape(group->value(QStringLiteral("Exec")))};
        // An action without a name has nothing to show.
        if (!action.name.isEmpty() &&
            std::none_of(out.begin(), out.end(), [&](const DesktopAction& a) { return a.id == id; }))
            out.push_back(std::move(action));
    }
    return out;
}

std::optional<DesktopEntry> DesktopEntry::forAction(const QString& id) const {
    const auto group = actionValues_.constFind(id);
    if (group == actionValues_.constEnd() || !stringList(QStringLiteral("Actions")).contains(id))
        return std::nullopt;
    DesktopEntry entry = *this;
    entry.actionValues_.clear();
    for (const char* key : {"Name", "Exec", "Icon"})
        if (const auto value = group->constFind(QString::fromLatin1(key)); value != group->constEnd())
            entry.values_.insert(QString::fromLatin1(key), *value);
    // An action starts its own command, even for an application started over the bus.
    entry.values_.remove(QStringLiteral("DBusActivatable"));
    return entry;
}

Result<DesktopEntry> DesktopEntry::load(const QString& filePath, const DesktopLocale& locale) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return Result<DesktopEntry>::failure(file.errorString());
    // Desktop files are small; anything huge is not one.
    constexpr qint64 kMaxSize = 4 * 1024 * 1024;
    if (file.size() > kMaxSize)
        return Result<DesktopEntry>::failure(QStringLiteral("file too large"));
    return parse(file.readAll(), locale, filePath);
}

std::optional<QString> DesktopEntry::rawValue(const QString& key) const {
    const auto it = values_.constFind(key);
    if (it == values_.constEnd())
        return std::nullopt;
    return *it;
}

QString DesktopEntry::string(const QString& key) const {
    const auto it = values_.constFind(key);
    return it == values_.constEnd() ? QString() : unescape(*it);
}

QStringList DesktopEntry::stringList(const QString& key) const {
    const auto it = values_.constFind(key);
    return it == values_.constEnd() ? QStringList() : splitList(*it);
}

bool DesktopEntry::boolean(const QString& key) const {
    const QString v = values_.value(key).trimmed();
    // "1" is what some old files wrote for true.
    return v == QLatin1String("true") || v == QLatin1String("1");
}

bool DesktopEntry::isShownIn(const QStringList& currentDesktops) const {
    const QStringList only = onlyShowIn();
    const QStringList never = notShowIn();
    for (const QString& desktop : currentDesktops) {
        if (only.contains(desktop, Qt::CaseInsensitive))
            return true;
        if (never.contains(desktop, Qt::CaseInsensitive))
            return false;
    }
    return only.isEmpty();
}

bool DesktopEntry::tryExecSatisfied(const QString& pathVariable) const {
    const QString program = tryExec();
    return program.isEmpty() || !findExecutable(program, pathVariable).isEmpty();
}

QString DesktopEntry::unescape(QStringView value) {
    if (!value.contains(u'\\'))
        return value.toString();
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c != u'\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += next;
        }
    }
    return out;
}

QStringList DesktopEntry::splitList(QStringView value) {
    QStringList items;
    QString current;
    qsizetype itemStart = 0;
    qsizetype i = 0;
    const auto finish = [&](qsizetype end) {
        current += unescape(value.mid(itemStart, end - itemStart));
        if (!current.isEmpty())
            items << current;
        current.clear();
    };
    for (; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            if (value[i + 1] == u';') {
                current += unescape(value.mid(itemStart, i - itemStart));
                current += u';';
                itemStart = i + 2;
            }
            ++i; // an escaped character never separates
            continue;
        }
        if (c == u';') {
            finish(i);
            itemStart = i + 1;
        }
    }
    finish(value.size());
    return items;
}

Result<QStringList> DesktopEntry::splitExec(const QString& exec) {
    using R = Result<QStringList>;
    QStringList args;
    QString current;
    bool inArg = false;
    const qsizetype n = exec.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = exec[i];
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            if (inArg)
                args << current;
            current.clear();
            inArg = false;
            continue;
        }
        inArg = true;
        if (c == u'"') {
            bool closed = false;
            for (++i; i < n; ++i) {
                const QChar q = exec[i];
                if (q == u'"') {
                    closed = true;
                    break;
                }
                if (q == u'\\') {
                    if (i + 1 >= n)
                        return R::failure(QStringLiteral("unterminated quoted argument"));
                    const QChar e = exec[++i];
                    // Inside quotes only these four are escaped; other pairs stay as written.
                    if (e != u'"' && e != u'`' && e != u'$' && e != u'\\')
                        current += q;
                    current += e;
                    continue;
                }
                current += q;
            }
            if (!closed)
                return R::failure(QStringLiteral("unterminated quoted argument"));
        } else if (c == u'\'') {
            // Not in the quoting rules, but widely written and read as shell-style literal quotes.
            const qsizetype close = exec.indexOf(u'\'', i + 1);
            if (close < 0)
                return R::failure(QStringLiteral("unterminated quoted argument"));
            current += QStringView(exec).mid(i + 1, close - i - 1);
            i = close;
        } else if (c == u'\\') {
            if (i + 1 >= n)
                return R::failure(QStringLiteral("trailing backslash"));
            current += exec[++i];
        } else {
            current += c;
        }
    }
    if (inArg)
        args << current;
    if (args.isEmpty())
        return R::failure(QStringLiteral("empty command"));
    return args;
}

namespace {

struct ExecItems {
    QStringList files; // local paths, for %f/%F
    QStringList urls;  // URLs, local files as paths, for %u/%U
};

ExecItems itemsFor(const QList<QUrl>& urls) {
    ExecItems items;
    for (const QUrl& url : urls) {
        if (!url.isValid() || url.isEmpty())
            continue;
        if (url.isLocalFile()) {
            items.files << url.toLocalFile();
            items.urls << url.toLocalFile();
        } else {
            items.urls << url.toString(QUrl::FullyEncoded);
        }
    }
    return items;
}

// Which file codes the split arguments use: 'f'/'u' for single, 'F'/'U' for lists.
QString fileCodes(const QStringList& args) {
    QString codes;
    for (const QString& arg : args) {
        for (qsizetype i = 0; i + 1 < arg.size(); ++i) {
            if (arg[i] != u'%')
                continue;
            const QChar code = arg[++i];
            if (code == u'f' || code == u'F' || code == u'u' || code == u'U')
                codes += code;
        }
    }
    return codes;
}

} // namespace

Result<QStringList> DesktopEntry::execArguments(const QList<QUrl>& urls) const {
    using R = Result<QStringList>;
    const QString command = exec();
    if (command.isEmpty())
        return R::failure(QStringLiteral("no Exec key"));
    const auto split = splitExec(command);
    if (!split)
        return split;
    const ExecItems items = itemsFor(urls);
    QStringList out;
    for (const QString& arg : *split) {
        // Codes that stand for whole arguments expand to any number of them.
        if (arg == QLatin1String("%F")) {
            out << items.files;
            continue;
        }
        if (arg == QLatin1String("%U")) {
            out << items.urls;
            continue;
        }
        if (arg == QLatin1String("%i")) {
            if (const QString iconName = icon(); !iconName.isEmpty())
                out << QStringLiteral("--icon") << iconName;
            continue;
        }
        QString expanded;
        bool hadCode = false;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            if (arg[i] != u'%') {
                expanded += arg[i];
                continue;
            }
            if (i + 1 >= arg.size())
                return R::failure(QStringLiteral("'%' at the end of an argument"));
            const QChar code = arg[++i];
            hadCode = true;
            switch (code.unicode()) {
            case '%':
                expanded += u'%';
                break;
            case 'f':
            case 'F':
                if (!items.files.isEmpty())
                    expanded += items.files.first();
                break;
            case 'u':
            case 'U':
                if (!items.urls.isEmpty())
                    expanded += items.urls.first();
                break;
            case 'c':
                expanded += name();
                break;
            case 'k':
                expanded += filePath_;
                break;
            case 'i':
                break;
            default:
                if (!isDeprecatedFieldCode(code))
                    return R::failure(QStringLiteral("unknown field code %") + code);
            }
        }
        // An argument that was only a code with nothing to stand for goes away;
        // an empty argument written as "" stays.
        if (hadCode && expanded.isEmpty())
            continue;
        out << expanded;
    }
    if (out.isEmpty() || out.first().isEmpty())
        return R::failure(QStringLiteral("no program in Exec"));
    return out;
}

Result<std::vector<QStringList>> DesktopEntry::launchCommands(const QList<QUrl>& urls) const {
    using R = Result<std::vector<QStringList>>;
    const auto split = splitExec(exec());
    if (!split)
        return R::failure(split.error());
    const QString codes = fileCodes(*split);
    const bool takesList = codes.contains(u'F') || codes.contains(u'U');
    const bool takesOne = codes.contains(u'f') || codes.contains(u'u');
    std::vector<QStringList> commands;
    if (takesOne && !takesList && urls.size() > 1) {
        const bool filesOnly = !codes.contains(u'u');
        for (const QUrl& url : urls) {
            if (filesOnly && !url.isLocalFile())
                continue;
            const auto args = execArguments({url});
            if (!args)
                return R::failure(args.error());
            commands.push_back(*args);
        }
        if (!commands.empty())
            return commands;
    }
    const auto args = execArguments(urls);
    if (!args)
        return R::failure(args.error());
    commands.push_back(*args);
    return commands;
}

} // namespace vantorel
