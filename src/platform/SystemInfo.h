#pragma once

#include <QString>

namespace vantorel {

// The operating system as texts name it.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // The system's version as people read it, for feedback reports.
    virtual QString operatingSystemVersion() const = 0;
    // How messages name this machine ("this computer") and its system.
    virtual QString thisComputer() const = 0;
    virtual QString systemName() const = 0;
    // What owns the look and the permissions, as settings texts name it ("the desktop").
    virtual QString desktopName() const = 0;
};

} // namespace vantorel
