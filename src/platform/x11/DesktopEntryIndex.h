#pragma once

#include "platform/x11/DesktopEntry.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace vantorel {

// The installed applications: every desktop entry under the applications/
// folders of the XDG data directories, by desktop-file id. The first file of
// an id wins, so a user's file overrides the system's and a user's
// Hidden=true removes the application.
class DesktopEntryIndex {
public:
    struct Item {
        QString id; // "org.example.App.desktop"; "sub/a.desktop" is "sub-a.desktop"
        DesktopEntry entry;
        // The program Exec runs, resolved through PATH and made canonical, and
        // its further fixed arguments (no field codes). Empty when Exec runs an
        // interpreter or launcher that tells nothing about the application.
        QString programPath;
        QStringList programArguments;
        QString tryExecPath;
    };

    // applicationDirs in precedence order; pathVariable resolves Exec and TryExec.
    explicit DesktopEntryIndex(QStringList applicationDirs = defaultApplicationDirectories(),
                               DesktopLocale locale = DesktopLocale::system(),
                               QString pathVariable = qEnvironmentVariable("PATH"));

    // $XDG_DATA_HOME (else ~/.local/share), then each of $XDG_DATA_DIRS (else
    // /usr/local/share:/usr/share); relative entries are ignored.
    static QStringList dataDirectories();
    // A user's base directory then the system's, as the XDG variables name them:
    // unset or relative values fall back; duplicates are dropped.
    static QStringList baseDirectories(const char* homeVariable, const QString& homeFallback,
                                       const char* systemVariable, const QString& systemFallback);
    static QStringList defaultApplicationDirectories();

    // Scans again when a scanned directory changed (or appeared) since the
    // last scan, or changed so close to it that its time stamp cannot tell.
    // True when it scanned. Item and entry pointers are valid until then.
    bool refresh();
    void rescan();
    // Grows with every scan, so that caches built on the index know when to drop.
    quint64 generation() const { return generation_; }

    // Installed applications only: not hidden, of type Application, TryExec satisfied.
    const std::vector<Item>& items() const { return items_; }
    const Item* item(const QString& id) const;
    const DesktopEntry* find(const QString& id) const;
    // Ids are matched exactly first, then ignoring case.
    const Item* itemIgnoringCase(const QString& id) const;
    // The id of the application whose file is at path, if it is installed.
    QString idForPath(const QString& path) const;
    // Items whose StartupWMClass equals wmClass, in precedence order.
    std::vector<const Item*> itemsForStartupWMClass(const QString& wmClass, Qt::CaseSensitivity cs) const;
    // Items whose id, less ".desktop", ends in ".component" or is component (ignoring case).
    std::vector<const Item*> itemsForIdComponent(const QString& component) const;
    // Items that run this program, by canonical path, else (when byName) by file name.
    std::vector<const Item*> itemsForExecutable(const QString& executablePath, bool byName = true) const;

    // Launchers and interpreters run a script or another program; their own
    // path or name never identifies an application.
    static bool isInterpreterOrLauncher(const QString& fileName);

private:
    struct DirStamp {
        bool exists = false;
        qint64 sec = 0;
        qint64 nsec = 0;
        quint64 inode = 0;
        bool operator==(const DirStamp&) const = default;
    };
    static DirStamp stampOf(const QString& dir);
    void scanDirectory(const QString& root, const QString& dir, QSet<QString>& claimed, QSet<QString>& visited);
    void addItem(Item item);
    // Fills programPath, programArguments and tryExecPath; names gets the file
    // names the application may run under (none for a script: run.py says little).
    void resolveProgram(Item& item, QStringList& names) const;

    QStringList dirs_;
    DesktopLocale locale_;
    QString pathVariable_;
    quint64 generation_ = 0;
    qint64 scannedAt_ = 0; // seconds since the epoch
    QHash<QString, DirStamp> stamps_;
    std::vector<Item> items_;
    QHash<QString, int> byId_;
    QHash<QString, int> byIdLower_;
    QHash<QString, int> byPath_;
    QHash<QString, QList<int>> byWMClassLower_;
    QHash<QString, QList<int>> byIdComponentLower_;
    QHash<QString, QList<int>> byProgramPath_;
    QHash<QString, QList<int>> byProgramName_;
};

} // namespace vantorel
