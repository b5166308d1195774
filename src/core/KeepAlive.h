#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

namespace vantorel {

// Holds an object and every object above it (its parents) alive while a nested
// event loop runs for it, such as a menu or a drag. Such a loop returns into
// code that still uses them, and Qt deletes what deleteLater() names inside
// the loop that asked, which is that nested loop itself. Main thread only.
class KeepAlive {
public:
    explicit KeepAlive(QObject* object);
    ~KeepAlive();
    KeepAlive(const KeepAlive&) = delete;
    KeepAlive& operator=(const KeepAlive&) = delete;

    // Whether a KeepAlive holds this object (or something inside it).
    static bool isHeld(const QObject* object);

private:
    std::vector<std::pair<QObject*, QPointer<QObject>>> chain_;
};

// Deletes the object once no KeepAlive holds it, and never before the event
// loop turns (deleteLater). The caller hides it meanwhile.
void deleteWhenReleased(QObject* object);

} // namespace vantorel
