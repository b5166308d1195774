#include "updates/Appcast.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace vantorel::Appcast {

namespace {

// Attributes and elements are matched by local name, whatever the feed's namespace prefix.
QString attribute(const QXmlStreamAttributes& attributes, QStringView localName) {
    for (const auto& a : attributes)
        if (a.name() == localName)
            return a.value().toString().trimmed();
    return {};
}

struct VersionPart {
    qulonglong number = 0;
    QString rest;
};

VersionPart splitPart(const QString& part) {
    qsizetype digits = 0;
    while (digits < part.size() && part[digits].isDigit())
        ++digits;
    return {part.left(digits).toULongLong(), part.mid(digits)};
}

} // namespace

Result<std::vector<AppcastItem>> parse(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    std::vector<AppcastItem> items;
    std::optional<AppcastItem> item;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            const auto name = reader.name();
            if (name == QLatin1String("item")) {
                item = AppcastItem{};
            } else if (item && name == QLatin1String("enclosure")) {
                const auto attrs = reader.attributes();
                item->url = QUrl(attribute(attrs, u"url"));
                item->length = attribute(attrs, u"length").toLongLong();
                item->edSignature = attribute(attrs, u"edSignature");
                if (const QString v = attribute(attrs, u"version"); !v.isEmpty())
                    item->version = v;
                if (const QString v = attribute(attrs, u"shortVersionString"); !v.isEmpty())
                    item->shortVersion = v;
            } else if (item && name == QLatin1String("version")) {
                item->version = reader.readElementText().trimmed();
            } else if (item && name == QLatin1String("shortVersionString")) {
                item->shortVersion = reader.readElementText().trimmed();
            } else if (item && name == QLatin1String("title")) {
                item->title = reader.readElementText().trimmed();
            }
        } else if (reader.isEndElement() && reader.name() == QLatin1String("item") && item) {
            if (!item->version.isEmpty() && item->url.isValid() && !item->url.isRelative())
                items.push_back(std::move(*item));
            item.reset();
        }
    }
    if (reader.hasError())
        return Result<std::vector<AppcastItem>>::failure(
            QStringLiteral("The update feed is not valid: %1").arg(reader.errorString()));
    return items;
}

int compareVersions(const QString& a, const QString& b) {
    static const QRegularExpression separators(QStringLiteral("[.\\-+_ ]"));
    const QStringList pa = a.trimmed().split(separators, Qt::SkipEmptyParts);
    const QStringList pb = b.trimmed().split(separators, Qt::SkipEmptyParts);
    const qsizetype n = std::max(pa.size(), pb.size());
    for (qsizetype i = 0; i < n; ++i) {
        const VersionPart x = i < pa.size() ? splitPart(pa[i]) : VersionPart{};
        const VersionPart y = i < pb.size() ? splitPart(pb[i]) : VersionPart{};
        if (x.number != y.number)
            return x.number < y.number ? -1 : 1;
        if (x.rest != y.rest) {
            // "2" is a release, "2b1" comes before it.
            if (x.rest.isEmpty())
                return 1;
            if (y.rest.isEmpty())
                return -1;
            return x.rest < y.rest ? -1 : 1;
        }
    }
    return 0;
}

std::optional<AppcastItem> newestUpdate(const std::vector<AppcastItem>& items, const QString& currentVersion) {
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items)
        if (compareVersions(item.version, currentVersion) > 0 &&
            (!best || compareVersions(item.version, best->version) > 0))
            best = item;
    return best;
}

} // namespace vantorel::Appcast
