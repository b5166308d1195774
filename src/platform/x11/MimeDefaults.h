#pragma once

#include "platform/x11/DesktopEntryIndex.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantorel {

// Default applications of MIME types and URL schemes from the mimeapps.list
// files, falling back to the MimeType= lists of the installed entries.
class MimeDefaults {
public:
    // listFiles in precedence order; currentDesktops as in XDG_CURRENT_DESKTOP.
    MimeDefaults(const DesktopEntryIndex& index, QStringList listFiles = defaultListFiles(),
                 QStringList currentDesktops = currentDesktopsFromEnvironment());

    // For each of $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME/applications
    // and $XDG_DATA_DIRS/applications: each desktop's "name-mimeapps.list", then "mimeapps.list".
    static QStringList defaultListFiles();
    static QStringList listFilesFor(const QStringList& configDirs, const QStringList& applicationDirs,
                                    const QStringList& currentDesktops);
    static QStringList currentDesktopsFromEnvironment();
    // Settings applications of the common desktops, most specific first.
    static const QStringList& knownSettingsApplications();

    // The id of the default application, if an installed one is named anywhere.
    std::optional<QString> defaultApplication(const QString& mimeType) const;
    // The default handler of inode/directory, empty without one.
    QString fileBrowserIdentifier() const;
    // File manager, web browser, mail client, settings application; what
    // resolves to nothing is left out, no id twice.
    QStringList defaultPinnedCandidates() const;

    // How long an answer stands before the list files are looked at again.
    void setRecheckInterval(qint64 ms) { recheckMs_ = ms; }

private:
    struct ListFile {
        QString path;
        qint64 mtimeNs = -1;
        qint64 size = -1;
        QHash<QString, QStringList> defaults;
        QHash<QString, QStringList> added;
        QHash<QString, QStringList> removed;
    };
    // Re-reads the list files that changed; true when any did.
    bool reloadChanged() const;
    std::optional<QString> lookUp(const QString& mime) const;
    // The registry asks for the file browser every second: answers are kept,
    // and the list files are looked at again at most every few seconds.
    qint64 recheckMs_ = 3000;
    mutable QHash<QString, std::optional<QString>> answers_;
    mutable quint64 answeredGeneration_ = 0;
    mutable qint64 lastCheckMs_ = -1;
    bool installed(const QString& id) const { return index_.find(id) != nullptr; }

    const DesktopEntryIndex& index_;
    QStringList currentDesktops_;
    mutable std::vector<ListFile> files_;
};

} // namespace vantorel
