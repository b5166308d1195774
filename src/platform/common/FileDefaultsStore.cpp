#include "platform/common/FileDefaultsStore.h"

#include "core/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    return cache_.emplace(domain, load(domain)).first->second;
}

QJsonObject FileDefaultsStore::load(const QString& domain) {
    const QString path = pathForDomain(domain);
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    // Follows a symbolic link: users link their dotfiles, and a link to a
    // regular file is read and written through.
    if (::stat(native.constData(), &st) != 0) {
        const int err = errno;
        struct stat link {};
        if (err == ENOENT && ::lstat(native.constData(), &link) != 0)
            return {}; // nothing stored yet
        keepUnwritten(domain, path, QString::fromLocal8Bit(std::strerror(err)));
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        setAside(domain, path, QStringLiteral("not a regular file"));
        return {};
    }
    if (st.st_size > kMaxDocumentSize) {
        setAside(domain, path, QStringLiteral("larger than %1 bytes").arg(kMaxDocumentSize));
        return {};
    }
    // Non-blocking: what is there may have been swapped for a FIFO since the stat.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        keepUnwritten(domain, path, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != st.st_dev ||
        opened.st_ino != st.st_ino) {
        ::close(fd);
        setAside(domain, path, QStringLiteral("not a regular file"));
        return {};
    }
    QByteArray data;
    data.resize(std::min<qint64>(opened.st_size, kMaxDocumentSize) + 1);
    qsizetype filled = 0;
    int readError = 0;
    // Reads at most one byte past the limit, in case the file grew since the stat.
    while (filled < data.size()) {
        const ssize_t n = ::read(fd, data.data() + filled, static_cast<size_t>(data.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            readError = errno;
        if (n <= 0)
            break;
        filled += n;
        if (filled == data.size() && data.size() <= kMaxDocumentSize)
            data.resize(std::min<qsizetype>(data.size() * 2, kMaxDocumentSize + 1));
    }
    ::close(fd);
    if (readError != 0) {
        keepUnwritten(domain, path, QString::fromLocal8Bit(std::strerror(readError)));
        return {};
    }
    if (filled > kMaxDocumentSize) {
        setAside(domain, path, QStringLiteral("larger than %1 bytes").arg(kMaxDocumentSize));
        return {};
    }
    data.truncate(filled);
    QJsonParseError err{};
    const auto parsed = QJsonDocument::fromJson(data, &err);
    if (err.error != QJsonParseError::NoError || !parsed.isObject()) {
        setAside(domain, path, QStringLiteral("not a JSON object"));
        return {};
    }
    return parsed.object();
}

void FileDefaultsStore::setAside(const QString& domain, const QString& path, const QString& why) {
    // Keep the unreadable document for the user instead of overwriting it; a
    // link or a special file is moved itself, never what it points to.
    const QString aside = path + QStringLiteral(".corrupt-") +
                          QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = aside;
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = aside + u'-' + QString::number(n);
    if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) == 0) {
        Log::defaults().error(QStringLiteral("Unreadable defaults file (%1) moved aside: %2").arg(why, target));
        return;
    }
    keepUnwritten(domain, path,
                  why + QStringLiteral(", and it could not be moved aside: ") +
                      QString::fromLocal8Bit(std::strerror(errno)));
}

void FileDefaultsStore::keepUnwritten(const QString& domain, const QString& path, const QString& why) {
    unwritable_.insert(domain);
    Log::defaults().error(
        QStringLiteral("Cannot read defaults file %1 (%2); changes to it stay in memory").arg(path, why));
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
    const QString path = pathForDomain(domain);
    if (unwritable_.contains(domain)) {
        // Writing the cache would replace whatever is there with the few keys we know.
        lastError_ = QStringLiteral("Not writing %1: it could not be read").arg(path);
        Log::defaults().error(lastError_);
        return;
    }
    // Only a folder of our own making is made private; one the user chose keeps its mode.
    const bool existed = QFileInfo(dir_).isDir();
    if (!QDir().mkpath(dir_)) {
        lastError_ = QStringLiteral("Cannot create %1").arg(dir_);
        Log::defaults().error(lastError_);
        return;
    }
    if (!existed)
        ::chmod(QFile::encodeName(dir_).constData(), 0700);
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
