#include "windows/UpdateService.h"

namespace vantorel {

UpdateService& UpdateService::shared() {
    static UpdateService* instance = new UpdateService;
    return *instance;
}

void UpdateService::setAvailableVersion(std::optional<QString> version) {
    if (version == availableVersion_)
        return;
    availableVersion_ = std::move(version);
    Q_EMIT availabilityDidChange();
}

} // namespace vantorel
