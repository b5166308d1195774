#include "platform/sim/SimDock.h"

#include "platform/common/FileDefaultsStore.h"
#include "platform/sim/SimProcessRunner.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace vantorel {

void SimDock::storeIn(const QString& path) {
    path_ = path;
    cache_.reset();
}

SimDock::Values SimDock::load() const {
    if (path_.isEmpty())
        return memory_;
    Values values;
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return values;
    const QJsonObject object = QJsonDocument::fromJson(f.readAll()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        if (auto v = FileDefaultsStore::decode(it.value()))
            values[it.key()] = *v;
    return values;
}

void SimDock::save(const Values& values) {
    if (path_.isEmpty()) {
        memory_ = values;
        return;
    }
    QJsonObject object;
    for (const auto& [key, v] : values)
        object.insert(key, FileDefaultsStore::encode(v));
    QSaveFile f(path_);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(QJsonDocument(object).toJson());
        f.commit();
    }
}

SimDock::Values& SimDock::cache() {
    if (!cache_)
        cache_ = load();
    return *cache_;
}

void SimDock::synchronize() {
    ++synchronizations;
    if (!pending_.empty()) {
        Values stored = load();
        for (const auto& [key, v] : pending_) {
            if (v)
                stored[key] = *v;
            else
                stored.erase(key);
        }
        pending_.clear();
        save(stored);
    }
    cache_ = load();
}

std::optional<DefaultsValue> SimDock::value(const QString& key) {
    const auto& values = cache();
    const auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<DefaultsValue>(it->second);
}

void SimDock::setValue(const QString& key, const DefaultsValue& value) {
    cache()[key] = value;
    pending_[key] = value;
}

void SimDock::removeValue(const QString& key) {
    cache().erase(key);
    pending_[key] = std::nullopt;
}

std::optional<DefaultsValue> SimDock::storedValue(const QString& key) const {
    const Values values = load();
    const auto it = values.find(key);
    return it == values.end() ? std::nullopt : std::optional<DefaultsValue>(it->second);
}

void SimDock::setStoredValue(const QString& key, const DefaultsValue& value) {
    Values values = load();
    values[key] = value;
    save(values);
}

void SimDock::removeStoredValue(const QString& key) {
    Values values = load();
    values.erase(key);
    save(values);
}

int SimDock::defaultsTool(const QStringList& a) {
    if (a.size() < 3 || a[1] != domain())
        return 1;
    const QString& key = a[2];
    if (a[0] == QLatin1String("read"))
        return storedValue(key) ? 0 : 1;
    if (a[0] == QLatin1String("delete")) {
        if (a.size() != 3 || !storedValue(key))
            return 1;
        if (commandLineWritesTakeEffect)
            removeStoredValue(key);
        return 0;
    }
    if (a[0] != QLatin1String("write") || a.size() != 5)
        return 1;
    DefaultsValue v;
    const QString& type = a[3];
    const QString text = a[4].toLower();
    if (type == QLatin1String("-bool") || type == QLatin1String("-boolean")) {
        if (text == QLatin1String("true") || text == QLatin1String("yes") || text == QLatin1String("1"))
            v = true;
        else if (text == QLatin1String("false") || text == QLatin1String("no") || text == QLatin1String("0"))
            v = false;
        else
            return 1;
    } else if (type == QLatin1String("-float") || type == QLatin1String("-int") || type == QLatin1String("-integer")) {
        bool ok = false;
        const double d = type == QLatin1String("-float") ? text.toDouble(&ok) : double(text.toLongLong(&ok));
        if (!ok)
            return 1;
        v = d;
    } else if (type == QLatin1String("-string")) {
        v = a[4];
    } else {
        return 1;
    }
    if (commandLineWritesTakeEffect)
        setStoredValue(key, v);
    return 0;
}

int SimDock::killallTool(const QStringList& arguments) {
    if (arguments != QStringList{QStringLiteral("Dock")})
        return 1;
    ++restarts;
    return 0;
}

void SimDock::installTools(SimProcessRunner& runner) {
    runner.install(QStringLiteral("/usr/bin/defaults"), [this](const QStringList& a) { return defaultsTool(a); });
    runner.install(QStringLiteral("/usr/bin/killall"), [this](const QStringList& a) { return killallTool(a); });
    runner.install(QStringLiteral("/bin/zsh"), [](const QStringList&) { return 0; });
}

} // namespace vantorel
