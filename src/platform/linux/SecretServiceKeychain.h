#pragma once

#include "platform/Keychain.h"

#include <QObject>
#include <QThreadPool>

namespace vantorel {

// The desktop's keyring through the freedesktop Secret Service on the session
// bus, with libsecret: the reference client of that protocol, which also lets
// the item carry exactly our service and account as its attributes. Its calls
// can block (a locked keyring asks the user to unlock it), so they run one at
// a time, in order, on a thread of their own; answers come back to the main
// thread. Without a Secret Service, saving fails with a message that says so
// and reading finds nothing.
class SecretServiceKeychain : public QObject, public Keychain {
    Q_OBJECT
public:
    explicit SecretServiceKeychain(QObject* parent = nullptr);
    // Waits for the requests already made, so none is lost at quit.
    ~SecretServiceKeychain() override;

    void read(const KeychainItem& item, QObject* context, std::function<void(std::optional<QByteArray>)> done) override;
    void save(const KeychainItem& item, const QByteArray& data, QObject* context,
              std::function<void(Status)> done) override;
    void remove(const KeychainItem& item, QObject* context, std::function<void()> done) override;

    // What a save reports when no Secret Service answers on the session bus.
    static QString unavailableMessage();

private:
    template <typename R> void run(QObject* context, std::function<R()> work, std::function<void(R)> done);
    QThreadPool worker_;
};

} // namespace vantorel
