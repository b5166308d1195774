#include "platform/x11/MenuApplications.h"

namespace vantorel {

std::vector<InstalledApplication> menuApplications(const DesktopEntryIndex& index, const QStringList& currentDesktops) {
    std::vector<InstalledApplication> out;
    out.reserve(index.items().size());
    for (const auto& item : index.items()) {
        const DesktopEntry& entry = item.entry;
        if (entry.noDisplay() || !entry.isShownIn(currentDesktops))
            continue;
        const QString name = entry.name().trimmed();
        // Name is required; an entry without one is not fit for a menu.
        if (name.isEmpty())
            continue;
        QStringList terms;
        if (const QString generic = entry.genericName().trimmed(); !generic.isEmpty())
            terms << generic;
        for (const QString& keyword : entry.keywords())
            if (!keyword.trimmed().isEmpty())
                terms << keyword.trimmed();
        out.push_back({entry.filePath(), name, item.id, terms});
    }
    return out;
}

} // namespace vantorel
