#pragma once

#include "platform/Keychain.h"

namespace vantorel {

// The session token: one keychain item, service "com.vantorel.account",
// account "session-token", its data the token in UTF-8.
class KeychainService {
public:
    static inline const KeychainItem kItem{QStringLiteral("com.vantorel.account"), QStringLiteral("session-token")};

    explicit KeychainService(Keychain& keychain) : keychain_(keychain) {}
    // The token, or nothing when there is none or its data is not UTF-8.
    void readSessionToken(QObject* context, std::function<void(std::optional<QString>)> done);
    void saveSessionToken(const QString& token, QObject* context, std::function<void(Status)> done);
    void clearSessionToken(QObject* context, std::function<void()> done);

private:
    Keychain& keychain_;
};

} // namespace vantorel
