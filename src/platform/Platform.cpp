#include "platform/Platform.h"

#include <QtGlobal>
#include <optional>

namespace vantorel {

namespace {
std::optional<Platform>& slot() {
    static std::optional<Platform> p;
    return p;
}
} // namespace

Platform& Platform::installed() {
    Q_ASSERT_X(slot().has_value(), "Platform::installed", "no backend installed");
    return *slot();
}

void Platform::install(const Platform& platform) { slot() = platform; }

bool Platform::isInstalled() { return slot().has_value(); }

} // namespace vantorel
