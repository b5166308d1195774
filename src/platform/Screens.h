#pragma once

#include "core/Geometry.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

namespace vantorel {

// One display, in the bottom-left global space.
struct Display {
    std::optional<quint32> displayNumber;
    Rect frame;
    Rect visibleFrame;
    friend bool operator==(const Display&, const Display&) = default;
};

class Screens : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual std::vector<Display> displays() const = 0;
    // The display the global spaces are anchored to.
    virtual std::optional<quint32> mainDisplayId() const = 0;

Q_SIGNALS:
    // Displays were added, removed, moved or resized.
    void parametersChanged();
};

class Pointer {
public:
    virtual ~Pointer() = default;
    // The pointer's location in the bottom-left global space.
    virtual Point location() const = 0;
    // Calls onMotion once, on the main thread, at the first motion of the
    // pointer after this returns; a new request replaces a pending one. False
    // where the desktop cannot announce motion, and nothing is called then.
    virtual bool notifyNextMotion(std::function<void()> onMotion) {
        (void)onMotion;
        return false;
    }
    // Drops a pending request.
    virtual void cancelMotionNotice() {}
};

} // namespace vantorel
