#pragma once

#include "core/Result.h"

#include <QString>
#include <functional>

namespace vantorel {

// The system's package installer: takes a verified package file and installs
// it (asking the user for authorisation where the system does). The completion
// runs on the main thread, once.
class PackageInstaller {
public:
    virtual ~PackageInstaller() = default;
    virtual void install(const QString& packagePath, std::function<void(Status)> completion) = 0;
};

} // namespace vantorel
