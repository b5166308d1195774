#include "platform/DefaultsStore.h"

namespace vantorel {

namespace {
template <typename T>
std::optional<T> typed(const std::optional<DefaultsValue>& v) {
    if (v && std::holds_alternative<T>(*v))
        return std::get<T>(*v);
    return std::nullopt;
}
} // namespace

std::optional<QByteArray> DefaultsStore::data(const QString& d, const QString& k) { return typed<QByteArray>(value(d, k)); }
std::optional<QString> DefaultsStore::string(const QString& d, const QString& k) { return typed<QString>(value(d, k)); }
std::optional<QStringList> DefaultsStore::stringArray(const QString& d, const QString& k) {
    return typed<QStringList>(value(d, k));
}
std::optional<bool> DefaultsStore::boolean(const QString& d, const QString& k) { return typed<bool>(value(d, k)); }
std::optional<double> DefaultsStore::number(const QString& d, const QString& k) { return typed<double>(value(d, k)); }

std::optional<DefaultsValue> MemoryDefaultsStore::value(const QString& domain, const QString& key) {
    auto d = domains_.find(domain);
    if (d == domains_.end())
        return std::nullopt;
    auto v = d->second.find(key);
    if (v == d->second.end())
        return std::nullopt;
    return v->second;
}

void MemoryDefaultsStore::setValue(const QString& domain, const QString& key, const DefaultsValue& value) {
    domains_[domain][key] = value;
    ++writes_;
}

void MemoryDefaultsStore::removeValue(const QString& domain, const QString& key) {
    auto d = domains_.find(domain);
    if (d != domains_.end() && d->second.erase(key))
        ++writes_;
}

} // namespace vantorel
