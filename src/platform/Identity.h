#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <optional>

namespace vantorel {

// The logged-in user as the system's identity store knows them.
struct UserIdentity {
    QString fullName;              // may be empty
    std::optional<QImage> picture; // the account picture, when one is set
};

class Identity : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The identity of the current user name; nothing when the store has none.
    // Cheap: it never waits for the store.
    virtual std::optional<UserIdentity> currentUser() const = 0;

Q_SIGNALS:
    // The name or picture changed, or the store answered late.
    void currentUserChanged();
};

} // namespace vantorel
