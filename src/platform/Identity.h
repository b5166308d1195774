#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace vantorel {

// The logged-in user as the system's identity store knows them.
struct UserIdentity {
    QString fullName;              // may be empty
    std::optional<QImage> picture; // the account picture, when one is set
};

class Identity {
public:
    virtual ~Identity() = default;
    // The identity of the current user name; nothing when the store has none.
    virtual std::optional<UserIdentity> currentUser() const = 0;
};

} // namespace vantorel
