#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

namespace vantorel {

// A locale split the way localised keys name it: lang_COUNTRY.ENCODING@MODIFIER.
struct DesktopLocale {
    QString lang;
    QString country;
    QString modifier;

    static DesktopLocale parse(const QString& name);
    // From LC_ALL, LC_MESSAGES or LANG, the first one set.
    static DesktopLocale system();
    // Key suffixes best first: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang.
    QStringList matchOrder() const;
};

// Reads a key file (desktop entries, mimeapps.list): calls back for each
// "key=value" line with the group it stands in. Comments, blank lines, lines
// without '=' and keys before the first group are skipped. onGroup, when
// given, sees every group header as it comes.
void forEachKeyFileEntry(const QByteArray& data,
                         const std::function<void(const QString& group, const QString& key, const QString& value)>& fn,
                         const std::function<void(const QString& group)>& onGroup = {});

// Absolute path of an executable program: a path with a slash must be
// absolute and executable; a bare name is looked up in pathVariable.
QString findExecutable(const QString& program, const QString& pathVariable);

// An extra command of an application ("Actions=" and its "[Desktop Action id]" group).
struct DesktopAction {
    QString id;
    // Localised like the entry's own keys.
    QString name;
    QString icon;
    QString exec;
};

// The [Desktop Entry] group of one desktop file, with every localised key
// already resolved for the locale it was read with.
class DesktopEntry {
public:
    static Result<DesktopEntry> parse(const QByteArray& data, const DesktopLocale& locale = DesktopLocale::system(),
                                      const QString& filePath = QString());
    static Result<DesktopEntry> load(const QString& filePath, const DesktopLocale& locale = DesktopLocale::system());

    const QString& filePath() const { return filePath_; }

    // The value as written (escapes intact), absent when the key is not there.
    std::optional<QString> rawValue(const QString& key) const;
    QString string(const QString& key) const;
    QStringList stringList(const QString& key) const;
    bool boolean(const QString& key) const;

    QString type() const { return string(QStringLiteral("Type")); }
    bool isApplication() const { return type() == QLatin1String("Application"); }
    QString name() const { return string(QStringLiteral("Name")); }
    QString genericName() const { return string(QStringLiteral("GenericName")); }
    QString comment() const { return string(QStringLiteral("Comment")); }
    QString icon() const { return string(QStringLiteral("Icon")); }
    QString exec() const { return string(QStringLiteral("Exec")); }
    QString tryExec() const { return string(QStringLiteral("TryExec")); }
    QString workingDirectory() const { return string(QStringLiteral("Path")); }
    QString startupWMClass() const { return string(QStringLiteral("StartupWMClass")); }
    bool noDisplay() const { return boolean(QStringLiteral("NoDisplay")); }
    bool hidden() const { return boolean(QStringLiteral("Hidden")); }
    bool terminal() const { return boolean(QStringLiteral("Terminal")); }
    bool dbusActivatable() const { return boolean(QStringLiteral("DBusActivatable")); }
    QStringList categories() const { return stringList(QStringLiteral("Categories")); }
    QStringList keywords() const { return stringList(QStringLiteral("Keywords")); }
    QStringList mimeTypes() const { return stringList(QStringLiteral("MimeType")); }
    QStringList onlyShowIn() const { return stringList(QStringLiteral("OnlyShowIn")); }
    QStringList notShowIn() const { return stringList(QStringLiteral("NotShowIn")); }

    // The actions "Actions=" lists that have a group and a name, in its order.
    std::vector<DesktopAction> actions() const;
    // The entry as the action starts it: the action's name, command and icon.
    std::optional<DesktopEntry> forAction(const QString& id) const;

    // Whether menus of these desktops (XDG_CURRENT_DESKTOP, split at ':') list the entry.
    bool isShownIn(const QStringList& currentDesktops) const;
    // TryExec names an installed program (true without TryExec).
    bool tryExecSatisfied(const QString& pathVariable) const;

    // Exec as program and arguments with its field codes expanded from urls
    // (local files for %f/%F, anything for %u/%U). Bad quoting or an unknown
    // field code is an error: nothing is run then.
    Result<QStringList> execArguments(const QList<QUrl>& urls = {}) const;
    // The commands that open urls: one when Exec takes a list (or none), one
    // per item when it takes a single file or URL.
    Result<std::vector<QStringList>> launchCommands(const QList<QUrl>& urls) const;

    // Exec split by its quoting rules, field codes left in place.
    static Result<QStringList> splitExec(const QString& exec);
    // String escapes \s \n \t \r \\; anything else stays as written.
    static QString unescape(QStringView value);
    // A ';'-separated list; "\;" is a literal semicolon.
    static QStringList splitList(QStringView value);

private:
    QString filePath_;
    QHash<QString, QString> values_;
    // Per action id, its group's keys.
    QHash<QString, QHash<QString, QString>> actionValues_;
};

} // namespace vantorel
