#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace vantorel {

struct UserNotice {
    QString title;
    QString body;
    // The label of the one action; empty for a notice without action.
    QString actionLabel;
};

// Notices on the desktop (a bubble the user may click).
class UserNotifications {
public:
    virtual ~UserNotifications() = default;
    // Shows the notice; `activated` runs on the main thread when the user picks
    // its action, unless context is gone by then.
    virtual void post(const UserNotice& notice, QObject* context, std::function<void()> activated) = 0;
};

} // namespace vantorel
