#pragma once

#include "platform/DefaultsStore.h"

#include <QJsonObject>
#include <map>
#include <set>

namespace vantorel {

// The user defaults database on disk: one JSON document per domain,
// "<dir>/<domain>.json", written atomically with mode 0600.
//
// Only regular files (or links to them) up to kMaxDocumentSize are read; a
// document that does not parse, is too large or is something else (a device,
// a FIFO, a folder) is renamed to "<file>.corrupt-<UTC time>" and the domain
// starts empty. A document that exists but cannot be read is never written
// over: changes to its domain stay in memory and each write reports an error.
//
// Value encoding: bool, number, string and string array are the JSON types
// themselves; data is an object {"base64": "..."} so that it never reads back
// as a string.
class FileDefaultsStore : public DefaultsStore {
public:
    static constexpr qint64 kMaxDocumentSize = 4 * 1024 * 1024;

    explicit FileDefaultsStore(QString directory);

    // $XDG_CONFIG_HOME/vantorel, or ~/.config/vantorel.
    static QString defaultDirectory();

    std::optional<DefaultsValue> value(const QString& domain, const QString& key) override;
    void setValue(const QString& domain, const QString& key, const DefaultsValue& value) override;
    void removeValue(const QString& domain, const QString& key) override;

    QString directory() const { return dir_; }
    QString pathForDomain(const QString& domain) const;
    // The last write error, empty after a successful write.
    QString lastError() const { return lastError_; }

    static QJsonValue encode(const DefaultsValue& v);
    static std::optional<DefaultsValue> decode(const QJsonValue& v);

private:
    QJsonObject& document(const QString& domain);
    QJsonObject load(const QString& domain);
    void setAside(const QString& domain, const QString& path, const QString& why);
    void keepUnwritten(const QString& domain, const QString& path, const QString& why);
    void write(const QString& domain);

    QString dir_;
    QString lastError_;
    std::map<QString, QJsonObject> cache_;
    std::set<QString> unwritable_;
};

} // namespace vantorel
