#include "platform/linux/OsRelease.h"

#include <QFile>

namespace vantorel {

QMap<QString, QString> parseOsRelease(const QByteArray& text) {
    QMap<QString, QString> out;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const auto eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq);
        QString value = line.mid(eq + 1);
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
            const QChar quote = value.front();
            value = value.mid(1, value.size() - 2);
            if (quote == u'"') {
                QString unescaped;
                for (qsizetype i = 0; i < value.size(); ++i) {
                    if (value[i] == u'\\' && i + 1 < value.size())
                        ++i;
                    unescaped += value[i];
                }
                value = unescaped;
            }
        }
        out.insert(key, value);
    }
    return out;
}

OsReleaseSystemInfo::OsReleaseSystemInfo(const QStringList& files) {
    QMap<QString, QString> keys;
    for (const auto& path : files) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            keys = parseOsRelease(file.read(64 * 1024));
            break;
        }
    }
    name_ = keys.value(QStringLiteral("NAME"), QStringLiteral("Linux"));
    version_ = keys.value(QStringLiteral("PRETTY_NAME"));
    if (version_.isEmpty())
        version_ = (name_ + u' ' + keys.value(QStringLiteral("VERSION"))).trimmed();
}

} // namespace vantorel
