#include "app/SettingsService.h"

#include "core/Log.h"
#include "app/PersistenceService.h"

namespace vantorel {

SettingsService::SettingsService(PersistenceService& persistence, QObject* parent)
    : QObject(parent), persistence_(persistence), current_(persistence.loadSettings()) {}

SettingsService& SettingsService::shared() {
    static SettingsService* instance = new SettingsService(PersistenceService::shared());
    return *instance;
}

bool SettingsService::update(const std::function<void(AppSettings&)>& change) {
    AppSettings working = current_;
    change(working);
    if (working == current_)
        return false;
    current_ = working;
    if (!persistence_.saveSettings(current_))
        Log::app().error(QStringLiteral("Settings could not be encoded; the change is kept for this run only"));
    Q_EMIT didChange();
    return true;
}

} // namespace vantorel
