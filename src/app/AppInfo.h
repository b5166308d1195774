#pragma once

#include <QString>

namespace vantorel {

class BundleInfo;

struct AppInfo {
    static constexpr const char* kFallbackVersion = "1.1.3";
    // "CFBundleShortVersionString" when present, a string and not empty; else the fallback.
    static QString version(const BundleInfo& bundle);
    static QString version();
};

} // namespace vantorel
