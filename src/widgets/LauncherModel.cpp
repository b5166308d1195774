#include "widgets/LauncherModel.h"

#include <QCollator>
#include <algorithm>

namespace vantorel {

std::vector<LauncherApp> sortedLauncherApps(const std::vector<InstalledApplication>& found, const QLocale& locale) {
    std::vector<LauncherApp> apps;
    apps.reserve(found.size());
    for (const auto& app : found)
        apps.push_back({app.location, app.name, app.bundleIdentifier, app.searchTerms});
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(),
                     [&](const LauncherApp& a, const LauncherApp& b) { return collator.compare(a.name, b.name) < 0; });
    return apps;
}

QString launcherQuery(const QString& fieldText) {
    qsizetype begin = 0, end = fieldText.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(fieldText[begin]))
        ++begin;
    while (end > begin && blank(fieldText[end - 1]))
        --end;
    return fieldText.mid(begin, end - begin);
}

std::vector<LauncherApp> filterLauncherApps(const std::vector<LauncherApp>& all, const QString& query,
                                            const QLocale& locale) {
    if (query.isEmpty())
        return all;
    const QString needle = locale.toLower(query);
    std::vector<LauncherApp> byName, byTerm;
    for (const auto& app : all) {
        if (locale.toLower(app.name).contains(needle))
            byName.push_back(app);
        else if (std::any_of(app.searchTerms.begin(), app.searchTerms.end(),
                             [&](const QString& term) { return locale.toLower(term).contains(needle); }))
            byTerm.push_back(app);
    }
    byName.insert(byName.end(), byTerm.begin(), byTerm.end());
    return byName;
}

bool LauncherDismissal::shouldClose(Duration now, bool pointerInside) {
    if (now - startedAt_ <= kGrace)
        return false;
    if (pointerInside) {
        mouseOutSince_.reset();
        return false;
    }
    if (!mouseOutSince_)
        mouseOutSince_ = now;
    return now - *mouseOutSince_ >= kAwayLimit;
}

} // namespace vantorel
