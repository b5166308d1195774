#pragma once

#include "platform/DefaultsStore.h"

#include <QJsonObject>
#include <map>

namespace vantorel {

// The user defaults database on disk: one JSON document per domain,
// "<dir>/<domain>.json", written atomically with mode 0600.
//
// Value encoding: bool, number, string and string array are the JSON types
// themselves; data is an object {"base64": "..."} so that it never reads back
// as a string.
class FileDefaultsStore : public DefaultsStore {
public:
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
    void write(const QString& domain);

    QString dir_;
    QString lastError_;
    std::map<QString, QJsonObject> cache_;
};

} // namespace vantorel
