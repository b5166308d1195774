#pragma once

#include <QString>

namespace vantorel {

// Tells whether another copy of the program runs for this user and desktop.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // Claims the single-instance slot for this process. False when another
    // live copy already holds it; the claim lasts until this process ends.
    virtual bool claim(const QString& bundleIdentifier) = 0;
};

} // namespace vantorel
