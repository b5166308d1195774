#include "platform/common/FileDefaultsStore.h"

#include "core/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <sys/stat.h>

namespace vantorel {

FileDefaultsStore::FileDefaultsStore(QString directory) : dir_(std::move(directory)) {}

QString FileDefaultsStore::defaultDirectory() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vantorel");
}

QString FileDefaultsStore::pathForDomain(const QString& domain) const {
    // A domain is a reverse-domain name; keep anything else out of the path.
    QString safe = domain;
    for (QChar& c : safe)
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-' || c == u'_'))
            c = u'_';
    if (safe.startsWith(u'.'))
        safe.prepend(u'_');
    return dir_ + u'/' + safe + QStringLiteral(".json");
}

QJsonValue FileDefaultsStore::encode(const DefaultsValue& v) {
    return std::visit(
        [](const auto& x) -> QJsonValue {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, QByteArray>)
                return QJsonObject{{QStringLiteral("base64"), QString::fromLatin1(x.toBase64())}};
            else if constexpr (std::is_same_v<T, QStringList>)
                return QJsonArray::fromStringList(x);
            else
                return QJsonValue(x);
        },
        v);
}

std::optional<DefaultsValue> FileDefaultsStore::decode(const QJsonValue& v) {
    switch (v.type()) {
    case QJsonValue::Bool:
        return v.toBool();
    case QJsonValue::Double:
        return v.toDouble();
    case QJsonValue::String:
        return v.toString();
    case QJsonValue::Array: {
        QStringList list;
        for (const auto& item : v.toArray()) {
            if (!item.isString())
                return std::nullopt;
            list << item.toString();
        }
        return list;
    }
    case QJsonValue::Object: {
        const auto o = v.toObject();
        const auto b = o.value(QStringLiteral("base64"));
        if (o.size() != 1 || !b.isString())
            return std::nullopt;
        auto decoded = QByteArray::fromBase64Encoding(b.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return *decoded;
    }
    default:
        return std::nullopt;
    }
}

QJsonObject& FileDefaultsStore::document(const QString& domain) {
    auto it = cache_.find(domain);
    if (it != cache_.end())
        return it->second;

    QJsonObject doc;
    const QString path = pathForDomain(domain);
    QFile file(path);
    if (file.exists()) {
        if (file.open(QIODevice::ReadOnly)) {
            QJsonParseError err{};
            const auto parsed = QJsonDocument::fromJson(file.readAll(), &err);
            file.close();
            if (err.error == QJsonParseError::NoError && parsed.isObject()) {
                doc = parsed.object();
            } else {
                // Keep the unreadable document for the user instead of overwriting it.
                const QString aside =
                    path + QStringLiteral(".corrupt-") +
                    QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
                QString target = aside;
                for (int n = 1; QFile::exists(target); ++n)
                    target = aside + u'-' + QString::number(n);
                if (QFile::rename(path, target))
                    Log::defaults().error(QStringLiteral("Unreadable defaults file moved aside: %1").arg(target));
                else
                    Log::defaults().error(QStringLiteral("Unreadable defaults file %1 could not be moved aside").arg(path));
            }
        } else {
            Log::defaults().error(QStringLiteral("Cannot read defaults file %1: %2").arg(path, file.errorString()));
        }
    }
    return cache_.emplace(domain, doc).first->second;
}

std::optional<DefaultsValue> FileDefaultsStore::value(const QString& domain, const QString& key) {
    const auto& doc = document(domain);
    auto it = doc.constFind(key);
    if (it == doc.constEnd())
        return std::nullopt;
    return decode(*it);
}

void FileDefaultsStore::setValue(const QString& domain, const QString& key, const DefaultsValue& value) {
    auto& doc = document(domain);
    const QJsonValue encoded = encode(value);
    if (doc.value(key) == encoded && QFile::exists(pathForDomain(domain)))
        return;
    doc.insert(key, encoded);
    write(domain);
}

void FileDefaultsStore::removeValue(const QString& domain, const QString& key) {
    auto& doc = document(domain);
    if (!doc.contains(key))
        return;
    doc.remove(key);
    write(domain);
}

void FileDefaultsStore::write(const QString& domain) {
    lastError_.clear();
    if (!QDir().mkpath(dir_)) {
        lastError_ = QStringLiteral("Cannot create %1").arg(dir_);
        Log::defaults().error(lastError_);
        return;
    }
    ::chmod(QFile::encodeName(dir_).constData(), 0700);
    const QString path = pathForDomain(domain);
    // The old document stays in place until the new one is complete on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        lastError_ = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        Log::defaults().error(lastError_);
        return;
    }
    ::fchmod(file.handle(), S_IRUSR | S_IWUSR);
    file.write(QJsonDocument(cache_[domain]).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        lastError_ = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
        Log::defaults().error(lastError_);
    }
}

} // namespace vantorel
