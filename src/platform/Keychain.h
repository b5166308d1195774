#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace vantorel {

// One generic-password item, named by its service and account.
struct KeychainItem {
    QString service;
    QString account;
};

// The user's keychain: secrets the system keeps, never in a file of ours.
// Answers come on the main thread, at once where the store answers at once,
// otherwise on a later turn of the event loop (never from a nested loop).
// Requests are carried out in the order they were made. An answer whose
// context object is gone is dropped.
class Keychain {
public:
    virtual ~Keychain() = default;
    // The item's data, or nothing when there is none or it cannot be read.
    virtual void read(const KeychainItem& item, QObject* context,
                      std::function<void(std::optional<QByteArray>)> done) = 0;
    // Adds the item or replaces its data; a failure says why in words for the user.
    virtual void save(const KeychainItem& item, const QByteArray& data, QObject* context,
                      std::function<void(Status)> done) = 0;
    // Deletes the item; whether there was one does not matter.
    virtual void remove(const KeychainItem& item, QObject* context, std::function<void()> done) = 0;
};

} // namespace vantorel
