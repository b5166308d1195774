#pragma once

#include "platform/Keychain.h"

#include <QStringList>
#include <map>
#include <optional>

namespace vantorel {

// A keychain in memory that answers at once, as the system's generic-password
// items do. A failing status makes every save fail with that status.
class SimKeychain : public Keychain {
public:
    void read(const KeychainItem& item, QObject* context, std::function<void(std::optional<QByteArray>)> done) override;
    void save(const KeychainItem& item, const QByteArray& data, QObject* context,
              std::function<void(Status)> done) override;
    void remove(const KeychainItem& item, QObject* context, std::function<void()> done) override;

    std::optional<QByteArray> stored(const KeychainItem& item) const;
    // errSecNotAvailable (-25291) when no keychain can be used.
    std::optional<int> failingStatus;
    // "read service/account", "add ...", "update ...", "delete ...", in order.
    QStringList journal;

private:
    std::map<std::pair<QString, QString>, QByteArray> items_;
};

} // namespace vantorel
