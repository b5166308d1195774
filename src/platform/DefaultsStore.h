#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <variant>

namespace vantorel {

// One typed value of the user defaults database.
using DefaultsValue = std::variant<QByteArray, QString, QStringList, bool, double>;

// The user defaults database: typed values per domain (the program's own
// domain is its bundle identifier).
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    virtual std::optional<DefaultsValue> value(const QString& domain, const QString& key) = 0;
    virtual void setValue(const QString& domain, const QString& key, const DefaultsValue& value) = 0;
    virtual void removeValue(const QString& domain, const QString& key) = 0;

    // Typed reads: a value of another type reads as absent.
    std::optional<QByteArray> data(const QString& domain, const QString& key);
    std::optional<QString> string(const QString& domain, const QString& key);
    std::optional<QStringList> stringArray(const QString& domain, const QString& key);
    std::optional<bool> boolean(const QString& domain, const QString& key);
    std::optional<double> number(const QString& domain, const QString& key);
};

// A store in memory, for tests and the simulated desktop.
class MemoryDefaultsStore : public DefaultsStore {
public:
    std::optional<DefaultsValue> value(const QString& domain, const QString& key) override;
    void setValue(const QString& domain, const QString& key, const DefaultsValue& value) override;
    void removeValue(const QString& domain, const QString& key) override;
    int writeCount() const { return writes_; }

private:
    std::map<QString, std::map<QString, DefaultsValue>> domains_;
    int writes_ = 0;
};

} // namespace vantorel
